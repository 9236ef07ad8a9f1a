#include "tool/base_request.h"

#include <gtest/gtest.h>

namespace {

TEST(BaseRequest, SplitRequestUrlTakesTheSchemeOnlyAtTheStart) {
  struct Case {
    const wchar_t* url;
    bool ok;
    const wchar_t* host;
    const wchar_t* path;
  };
  const Case cases[] = {
      {L"http://a.example/x/y.exe", true, L"a.example", L"x/y.exe"},
      {L"https://a.example:8443/dl?id=1", true, L"a.example:8443", L"dl?id=1"},
      {L"HTTPS://a.example/", true, L"a.example", L""},
      {L"https://a.example", false, L"", L""},
      // A query naming another address does not move the split.
      {L"https://a.example/go?to=http://b.example/", true, L"a.example",
       L"go?to=http://b.example/"},
      // Neither scheme: nothing is split, host and path stay as they were.
      {L"ftp://a.example/x", true, L"", L""},
  };
  for (const auto& c : cases) {
    CWinHttpRequest request;
    std::wstring host;
    std::wstring path;
    EXPECT_EQ(request.SplitRequestUrl(c.url, host, path), c.ok) << c.url;
    if (!c.ok) continue;
    EXPECT_EQ(host, c.host) << c.url;
    EXPECT_EQ(path, c.path) << c.url;
  }
}

TEST(BaseRequest, RequestsTakeGetUntilToldOtherwiseAndNameTheirKind) {
  CWinHttpRequest request;
  EXPECT_EQ(request.GetTypeName(), "WinHttp");
  std::uint32_t size = 7;
  // No request was made: no size, nothing to read.
  EXPECT_FALSE(request.GetUrlFileSize(size));
  EXPECT_EQ(size, 7u);
  char buffer[4];
  EXPECT_EQ(request.HttpRead(buffer, sizeof(buffer)), -1);
  EXPECT_EQ(request.GetStatusCode(), 0);
}

}  // namespace
