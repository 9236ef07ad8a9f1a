#include "platform/system_proxy.h"

#include <gtest/gtest.h>

namespace {

struct ListCase {
  const char* proxy;
  const char* bypass;
  const char* scheme;
  const char* host;
  const char* want_host;  // empty: direct
  int want_port;
};

TEST(SystemProxyTest, WindowsProxyListsAreRead) {
  const ListCase cases[] = {
      {"proxy.corp:8080", "", "https", "example.com", "proxy.corp", 8080},
      {"http://proxy.corp:3128/", "", "http", "example.com", "proxy.corp", 3128},
      {"proxy.corp", "", "http", "example.com", "proxy.corp", 80},
      {"http=web.corp:80;https=tls.corp:443", "", "https", "example.com", "tls.corp", 443},
      {"http=web.corp:80 https=tls.corp:443", "", "http", "example.com", "web.corp", 80},
      {"HTTPS=tls.corp:443;any.corp:81", "", "http", "example.com", "any.corp", 81},
      {"[::1]:8080", "", "http", "example.com", "::1", 8080},
      // Only HTTP proxies are taken.
      {"socks=socks.corp:1080", "", "https", "example.com", "", 0},
      {"socks://socks.corp:1080", "", "https", "example.com", "", 0},
      {"proxy.corp:99999", "", "https", "example.com", "", 0},
      {"proxy.corp:80a", "", "https", "example.com", "", 0},
      {"", "", "https", "example.com", "", 0},
      // The bypass list.
      {"proxy.corp:8080", "<local>", "http", "intranet", "", 0},
      {"proxy.corp:8080", "<local>", "http", "intranet.corp", "proxy.corp", 8080},
      {"proxy.corp:8080", "*.Example.com; 10.*", "http", "cdn.example.COM", "", 0},
      {"proxy.corp:8080", "*.example.com;10.*", "http", "10.1.2.3", "", 0},
      {"proxy.corp:8080", "*.example.com", "http", "example.com", "proxy.corp", 8080},
      {"proxy.corp:8080", "example.com", "http", "example.com.evil", "proxy.corp", 8080},
  };
  for (const ListCase& c : cases) {
    SCOPED_TRACE(std::string(c.proxy) + " | " + c.bypass + " | " + c.scheme + "://" + c.host);
    const khttp::ProxySettings proxy =
        platform::ProxyFromWindowsList(c.proxy, c.bypass, c.scheme, c.host);
    if (*c.want_host == '\0') {
      EXPECT_EQ(proxy.kind, khttp::ProxyKind::Direct);
      continue;
    }
    EXPECT_EQ(proxy.kind, khttp::ProxyKind::HttpProxy);
    EXPECT_EQ(proxy.hostname, c.want_host);
    EXPECT_EQ(proxy.port, c.want_port);
  }
}

}  // namespace
