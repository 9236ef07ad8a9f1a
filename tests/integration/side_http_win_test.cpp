// The side-request seam on Windows alone: WinHTTP checks certificates against the system's own
// roots, which do not hold the test CA of the peers' nginx.
#include <gtest/gtest.h>

#include "platform/side_http.h"
#include "tests/servers/peers.h"

namespace {

TEST(SideHttpWindows, HttpsTheSystemDoesNotTrustIsRefused) {
  auto& peers = kvtest::peers::Get();
  platform::SideHttp http;
  ASSERT_TRUE(http.OpenSession(L"", false));
  ASSERT_TRUE(http.Connect(L"127.0.0.1", peers.HttpsPort()));
  ASSERT_TRUE(http.OpenRequest(L"GET", L"/big.bin", true));
  EXPECT_FALSE(http.Send(""));
  EXPECT_EQ(http.LastError(), platform::side_http_error::kSecureFailure);
  int status = 0;
  EXPECT_FALSE(http.QueryStatus(status));
}

}  // namespace
