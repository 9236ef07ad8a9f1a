#include "platform/text.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(TextTest, Utf8RoundTripsEveryPlane) {
  const std::wstring samples[] = {L"",     L"plain", L"Kelvane\u00A0Wayvo", L"تثبيت",
                                  L"安装", L"ติดตั้ง",  L"\U0001F600 emoji"};
  for (const std::wstring& sample : samples) {
    EXPECT_EQ(Utf8ToWide(WideToUtf8(sample)), sample);
  }
  EXPECT_EQ(WideToUtf8(L"\u00A0"), "\xC2\xA0");
  EXPECT_EQ(WideToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(TextTest, InvalidUtf8BecomesReplacementCharacters) {
  const struct {
    std::string bytes;
    std::wstring expected;
  } cases[] = {
      {"a\xFF"
       "b",
       L"a\uFFFDb"},                // a byte that never starts a sequence
      {"\xC3", L"\uFFFD"},          // a sequence cut short at the end
      {"\xC0\xAF", L"\uFFFD"},      // an overlong form of "/"
      {"\xED\xA0\x80", L"\uFFFD"},  // an encoded surrogate
      {"x\xE2\x82"
       "y",
       L"x\uFFFDy"},  // a sequence cut short in the middle
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToWide(c.bytes), c.expected) << c.bytes;
}

TEST(TextTest, SingleByteTextIsWindows1252) {
  EXPECT_EQ(SingleByteToWide("caf\xE9 \x80"), L"caf\u00E9 \u20AC");
}

}  // namespace
}  // namespace platform
