#include "common/product_urls.h"

#include <gtest/gtest.h>

namespace {

TEST(ProductUrlsTest, CustomParameterOnlyForKeyedAddresses) {
  const struct {
    std::wstring url, custom, expected;
  } cases[] = {
      {L"https://api.kelvane.example/producturl?key=license_agreement&pid=216&lang=English",
       L"com_fr",
       L"https://api.kelvane.example/producturl?key=license_agreement&pid=216&lang=English"
       L"&custom=com_fr"},
      {L"https://dl.kelvane.example/Wayvo/kelvane-wayvo.exe", L"com_fr",
       L"https://dl.kelvane.example/Wayvo/kelvane-wayvo.exe"},
      {L"https://h/p?monkey=1", L"c", L"https://h/p?monkey=1&custom=c"},  // "key=" anywhere
      {L"https://h/p?key=1", L"", L"https://h/p?key=1"},
      {L"", L"com_fr", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(AppendCustomParam(c.url, c.custom), c.expected) << c.url;
}

TEST(ProductUrlsTest, SplitUrl) {
  const struct {
    std::wstring url;
    bool result;
    std::wstring host, path;
  } cases[] = {
      {L"https://dl.kelvane.example/Wayvo/kelvane-wayvo.exe?x=1", true, L"dl.kelvane.example",
       L"Wayvo/kelvane-wayvo.exe?x=1"},
      {L"http://h:8080/a", true, L"h:8080", L"a"},
      {L"https://host.only", false, L"host.only", L"untouched"},
      {L"ftp://h/file", true, L"untouched", L"untouched"},
      // Another address inside the query does not decide the scheme.
      {L"https://h/r?to=http://other/x", true, L"h", L"r?to=http://other/x"},
      {L"ftp://h/r?to=http://other/x", true, L"untouched", L"untouched"},
  };
  for (const auto& c : cases) {
    std::wstring host = L"untouched", path = L"untouched";
    EXPECT_EQ(SplitUrl(c.url, host, path), c.result) << c.url;
    EXPECT_EQ(host, c.host) << c.url;
    EXPECT_EQ(path, c.path) << c.url;
  }
}

}  // namespace

TEST(ProductUrlsTest, QueryValuesArePercentEncoded) {
  const struct {
    const wchar_t* value;
    const wchar_t* encoded;
  } cases[] = {
      {L"216", L"216"},
      {L"ChineseTW", L"ChineseTW"},
      {L"a b&lang=x", L"a%20b%26lang%3Dx"},
      {L"Português", L"Portugu%C3%AAs"},
      {L"-._~/?#", L"-._~%2F%3F%23"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentEncodeQueryValue(c.value), c.encoded);
}
