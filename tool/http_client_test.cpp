#include "tool/http_client.h"

#include <gtest/gtest.h>

#include "tool/http_client_detail.h"

namespace {

TEST(HttpClient, FactoryKnowsThreeKinds) {
  for (int kind : {0, 1, 2}) {
    IHttpBase* client = nullptr;
    ASSERT_TRUE(CreateHttpClient(&client, kind)) << kind;
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->GetStatusCode(), 0);
    EXPECT_EQ(client->GetErrorCode(), 0);
    client->Release();
  }
  IHttpBase* client = reinterpret_cast<IHttpBase*>(0x1);
  EXPECT_FALSE(CreateHttpClient(&client, 3));
  EXPECT_EQ(client, nullptr);
  EXPECT_FALSE(CreateHttpClient(&client, -1));
  EXPECT_EQ(client, nullptr);
}

TEST(HttpClient, HeaderLinesCarryTheDefaultsInNameOrder) {
  CHttpHeader header;
  EXPECT_EQ(header.BuildHeaderLines(),
            "Accept: */*\r\n"
            "Accept-Language: zh-CN,zh;q=0.9\r\n"
            "Connection: Keep-Alive\r\n"
            "User-Agent: Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, "
            "like Gecko) Chrome/80.0.4044.92 Safari/537.36\r\n");

  CHttpHeader own;
  own.AddField("User-Agent", "kvside/1");
  own.AddField("User-Agent", "second");  // the first value stays
  own.AddField("X-Empty", "");           // ignored
  own.AddField("", "value");             // ignored
  EXPECT_EQ(own.GetField("User-Agent"), "kvside/1");
  EXPECT_EQ(own.BuildGetRequest("/a?b=1"),
            "GET /a?b=1 HTTP/1.1\r\n"
            "Accept: */*\r\n"
            "Accept-Language: zh-CN,zh;q=0.9\r\n"
            "Connection: Keep-Alive\r\n"
            "User-Agent: kvside/1\r\n"
            "\r\n");
}

TEST(HttpClient, ResponseHeadIsParsed) {
  CHttpHeader head;
  head.ParseResponse(
      "HTTP/1.1 302 Moved Temporarily\r\nLocation: /x\r\nContent-Length: 12\r\nBroken line\r\n"
      "Location: /second");
  EXPECT_EQ(head.version, "HTTP/1.1");
  EXPECT_EQ(head.status, 302);
  EXPECT_EQ(head.reason, "Moved Temporarily");
  EXPECT_EQ(head.GetField("Location"), "/x");
  EXPECT_EQ(head.GetField("Content-Length"), "12");
  EXPECT_EQ(head.GetField("Broken line"), "");
}

TEST(HttpClient, UrlsAreSplitBySchemeAndPort) {
  struct Case {
    const char* url;
    const char* host;
    const char* path;
    int port;
    bool secure;
  };
  const Case cases[] = {
      {"http://a.example/x", "a.example", "/x", 80, false},
      {"https://a.example/x", "a.example", "/x", 443, true},
      // An explicit port keeps TLS for https.
      {"https://a.example:8443/mp/collect?x=1", "a.example", "/mp/collect?x=1", 8443, true},
      {"http://a.example:8080", "a.example", "/", 8080, false},
      {"http://a.example:port/", "a.example", "/", 0, false},
      {"a.example/x", "a.example", "/x", 80, false},
      {"https://a.example/?next=http://b.example/", "a.example", "/?next=http://b.example/", 443,
       true},
  };
  for (const auto& c : cases) {
    const auto parts = http_client_detail::SplitClientUrl(c.url);
    EXPECT_EQ(parts.host, c.host) << c.url;
    EXPECT_EQ(parts.port, c.port) << c.url;
    EXPECT_EQ(parts.path, c.path) << c.url;
    EXPECT_EQ(parts.secure, c.secure) << c.url;
  }
}

TEST(HttpClient, SocketClientRefusesHttpsWithoutTouchingTheNetwork) {
  IHttpBase* client = nullptr;
  ASSERT_TRUE(CreateHttpClient(&client, 0));
  char* buffer = nullptr;
  int size = 0;
  // The host name cannot be resolved; refusing comes first.
  EXPECT_FALSE(client->DownloadToMemory(L"https://no-such-host.invalid/x", &buffer, &size));
  EXPECT_EQ(client->GetErrorCode(), kHttpErrorRequest);
  EXPECT_FALSE(client->DownloadFile(L"http://no-such-host.invalid:443/x", L"/nonexistent/x"));
  EXPECT_EQ(client->GetErrorCode(), kHttpErrorConnect);
  EXPECT_EQ(buffer, nullptr);
  client->Release();
}

}  // namespace
