// The side-request seam itself, the same on both systems (WinHTTP on Windows, the HTTP stream on
// Linux): the call sequence against nginx, redirects followed or handed back, the failure
// numbers, time limits and steps taken out of order.
#include "platform/side_http.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>
#include <mutex>
#include <string>
#include <thread>

#include "tests/servers/peers.h"
#include "tests/servers/scripted_server.h"
#include "tests/support/child_process.h"

namespace {

namespace err = platform::side_http_error;

// Opens a session, connection and request for `path` on 127.0.0.1:`port` and sends it.
bool Request(platform::SideHttp& http, int port, const std::wstring& method,
             const std::wstring& path, bool follow_redirects = true) {
  if (!http.OpenSession(L"kvtest", false)) return false;
  http.SetFollowRedirects(follow_redirects);
  return http.Connect(L"127.0.0.1", port) && http.OpenRequest(method, path, false) &&
         http.AddHeaders(L"Accept: */*\r\nX-Kvtest: 1\r\n") && http.Send("") &&
         http.ReceiveResponse();
}

// The whole body, asking for what is available before each read as the banner download does.
std::string Body(platform::SideHttp& http) {
  std::string body;
  std::size_t available = 0;
  while (http.QueryDataAvailable(available) && available > 0) {
    std::string block(available, '\0');
    std::size_t read = 0;
    if (!http.ReadData(block.data(), block.size(), read) || read == 0) break;
    body.append(block, 0, read);
  }
  return body;
}

TEST(SideHttp, GetAndHeadAgainstNginx) {
  auto& peers = kvtest::peers::Get();
  platform::SideHttp http;
  ASSERT_TRUE(Request(http, peers.HttpPort(), L"GET", L"/big.bin")) << http.LastError();
  int status = 0;
  ASSERT_TRUE(http.QueryStatus(status));
  EXPECT_EQ(status, 200);
  std::uint64_t length = 0;
  ASSERT_TRUE(http.QueryContentLength(length));
  EXPECT_EQ(length, peers.BigFile().size());
  std::wstring location;
  EXPECT_FALSE(http.QueryLocation(location));
  EXPECT_EQ(http.LastError(), err::kHeaderNotFound);
  EXPECT_EQ(kvtest::Sha256Hex(Body(http)), peers.BigDigest());
  // The end stays the end.
  char byte = 0;
  std::size_t read = 1;
  EXPECT_TRUE(http.ReadData(&byte, 1, read));
  EXPECT_EQ(read, 0u);

  // The same object serves a second request; HEAD tells the length and has no body.
  ASSERT_TRUE(Request(http, peers.HttpPort(), L"HEAD", L"/big.bin")) << http.LastError();
  ASSERT_TRUE(http.QueryContentLength(length));
  EXPECT_EQ(length, peers.BigFile().size());
  EXPECT_EQ(Body(http), "");

  ASSERT_TRUE(Request(http, peers.HttpPort(), L"GET", L"/missing")) << http.LastError();
  ASSERT_TRUE(http.QueryStatus(status));
  EXPECT_EQ(status, 404);
  http.Close();
  EXPECT_FALSE(http.IsSessionOpen());
  EXPECT_FALSE(http.IsConnected());
  EXPECT_FALSE(http.IsRequestOpen());
}

TEST(SideHttp, RedirectsAreFollowedOrHandedBack) {
  auto& peers = kvtest::peers::Get();
  platform::SideHttp http;
  ASSERT_TRUE(Request(http, peers.HttpPort(), L"GET", L"/redirect")) << http.LastError();
  int status = 0;
  ASSERT_TRUE(http.QueryStatus(status));
  EXPECT_EQ(status, 200);
  EXPECT_EQ(kvtest::Sha256Hex(Body(http)), peers.BigDigest());

  ASSERT_TRUE(Request(http, peers.HttpPort(), L"GET", L"/redirect", false)) << http.LastError();
  ASSERT_TRUE(http.QueryStatus(status));
  EXPECT_EQ(status, 302);
  std::wstring location;
  ASSERT_TRUE(http.QueryLocation(location));
  EXPECT_EQ(location, L"http://127.0.0.1:" + std::to_wstring(peers.HttpPort()) + L"/big.bin");
}

TEST(SideHttp, AnswersWithoutALengthAndLocationsAsSent) {
  kvtest::scripted_http_server server({
      {"/no-length", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nuntil the end"},
      {"/relative",
       "HTTP/1.1 302 Found\r\nLocation: ../other?q=a%20b\r\nContent-Length: 0\r\n\r\n"},
  });
  platform::SideHttp http;
  ASSERT_TRUE(Request(http, server.Port(), L"GET", L"/no-length")) << http.LastError();
  std::uint64_t length = 0;
  EXPECT_FALSE(http.QueryContentLength(length));
  EXPECT_EQ(http.LastError(), err::kHeaderNotFound);
  EXPECT_EQ(Body(http), "until the end");

  ASSERT_TRUE(Request(http, server.Port(), L"GET", L"/relative", false)) << http.LastError();
  std::wstring location;
  ASSERT_TRUE(http.QueryLocation(location));
  EXPECT_EQ(location, L"../other?q=a%20b");
  // Headers added by the caller reach the server.
  ASSERT_FALSE(server.Requests().empty());
  EXPECT_NE(server.Requests().back().find("X-Kvtest: 1"), std::string::npos);
}

TEST(SideHttp, APostCarriesItsBodyAndHeaders) {
  std::mutex lock;
  std::string received;
  kvtest::scripted_server server([&](boost::asio::ip::tcp::socket& socket) {
    boost::system::error_code ec;
    boost::asio::streambuf data;
    const std::size_t head_size = boost::asio::read_until(socket, data, "\r\n\r\n", ec);
    std::string text(static_cast<const char*>(data.data().data()), data.size());
    const auto at = text.find("Content-Length: ");
    const std::size_t length = at == std::string::npos ? 0 : std::stoul(text.substr(at + 16));
    while (!ec && text.size() < head_size + length) {
      char block[1024];
      const std::size_t got = socket.read_some(boost::asio::buffer(block), ec);
      text.append(block, got);
    }
    {
      std::lock_guard<std::mutex> guard(lock);
      received = text;
    }
    const std::string reply = "HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n";
    boost::asio::write(socket, boost::asio::buffer(reply), ec);
  });
  const std::string body = "{\n    \"client_id\": \"\u00e9\"\n}";
  platform::SideHttp http;
  ASSERT_TRUE(http.OpenSession(L"kvtest", false));
  ASSERT_TRUE(http.Connect(L"127.0.0.1", server.Port()));
  ASSERT_TRUE(http.OpenRequest(L"POST", L"/mp/collect?measurement_id=G-1", false));
  ASSERT_TRUE(http.AddHeaders(L"Content-Type: application/json; charset=utf-8"));
  ASSERT_TRUE(http.Send(body)) << http.LastError();
  int status = 0;
  ASSERT_TRUE(http.QueryStatus(status));
  EXPECT_EQ(status, 204);
  EXPECT_EQ(Body(http), "");

  std::lock_guard<std::mutex> guard(lock);
  EXPECT_EQ(received.rfind("POST /mp/collect?measurement_id=G-1 HTTP/1.1\r\n", 0), 0u) << received;
  EXPECT_NE(received.find("Content-Type: application/json; charset=utf-8\r\n"), std::string::npos);
  EXPECT_NE(received.find("Content-Length: " + std::to_string(body.size()) + "\r\n"),
            std::string::npos);
  ASSERT_GE(received.size(), body.size());
  EXPECT_EQ(received.substr(received.size() - body.size()), body);
}

TEST(SideHttp, ARefusedConnectionIsCannotConnect) {
  platform::SideHttp http;
  EXPECT_FALSE(Request(http, kvtest::FreePort(), L"GET", L"/"));
  EXPECT_EQ(http.LastError(), err::kCannotConnect);
  int status = 0;
  EXPECT_FALSE(http.QueryStatus(status));
}

// The failures a user's log shows most have the system's text on every system (Wine's WinHTTP
// holds no texts of its own and its WinINet not all of them, so not every number is asked for).
TEST(SideHttp, CommonFailuresHaveTheSystemsText) {
  for (int code : {err::kInvalidParameter, err::kTimeout, err::kNameNotResolved,
                   err::kCannotConnect, err::kConnectionError}) {
    EXPECT_NE(platform::SideHttpErrorText(code), "") << code;
  }
  EXPECT_NE(platform::ModuleMessageText(platform::SideHttpMessageModule(), err::kCannotConnect),
            "");
}

TEST(SideHttp, AServerThatNeverAnswersRunsIntoTheTimeLimit) {
  boost::asio::io_context io;
  boost::asio::ip::tcp::acceptor acceptor(
      io, boost::asio::ip::tcp::endpoint(boost::asio::ip::make_address("127.0.0.1"), 0));
  const int port = acceptor.local_endpoint().port();
  boost::asio::ip::tcp::socket held(io);
  std::thread accept([&] {
    boost::system::error_code ec;
    acceptor.accept(held, ec);
  });

  platform::SideHttp http;
  ASSERT_TRUE(http.OpenSession(L"", false));
  platform::SideHttpTimeouts limits;
  limits.connect_ms = 2000;
  limits.send_ms = 200;
  limits.receive_ms = 300;
  http.SetTimeouts(limits);
  ASSERT_TRUE(http.Connect(L"127.0.0.1", port));
  ASSERT_TRUE(http.OpenRequest(L"GET", L"/", false));
  EXPECT_FALSE(http.Send(""));
  EXPECT_EQ(http.LastError(), err::kTimeout);
  accept.join();
}

TEST(SideHttp, ABodyThatStallsRunsIntoTheReceiveLimit) {
  kvtest::scripted_server server([](boost::asio::ip::tcp::socket& socket) {
    boost::system::error_code ec;
    char head[4096];
    socket.read_some(boost::asio::buffer(head), ec);
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nten bytes!";
    boost::asio::write(socket, boost::asio::buffer(reply), ec);
    // Then nothing, until the client gives up.
    while (!ec) socket.read_some(boost::asio::buffer(head), ec);
  });
  platform::SideHttp http;
  ASSERT_TRUE(http.OpenSession(L"", false));
  platform::SideHttpTimeouts limits;
  limits.receive_ms = 300;
  http.SetTimeouts(limits);
  ASSERT_TRUE(http.Connect(L"127.0.0.1", server.Port()));
  ASSERT_TRUE(http.OpenRequest(L"GET", L"/", false));
  ASSERT_TRUE(http.Send(""));
  std::string body;
  char buffer[64];
  std::size_t read = 0;
  while (http.ReadData(buffer, sizeof(buffer), read) && read > 0) body.append(buffer, read);
  EXPECT_EQ(body, "ten bytes!");
  EXPECT_EQ(http.LastError(), err::kTimeout);
  // The request is over; reading again tells the end, never a late byte.
  EXPECT_TRUE(http.ReadData(buffer, sizeof(buffer), read));
  EXPECT_EQ(read, 0u);
  http.Close();
}

TEST(SideHttp, StepsOutOfOrderAreRefused) {
  platform::SideHttp http;
  EXPECT_FALSE(http.Connect(L"127.0.0.1", 80));
  EXPECT_EQ(http.LastError(), err::kIncorrectHandleState);
  ASSERT_TRUE(http.OpenSession(L"", false));
  EXPECT_FALSE(http.OpenRequest(L"GET", L"/", false));
  EXPECT_FALSE(http.Connect(L"", 80));
  EXPECT_FALSE(http.Connect(L"127.0.0.1", 70000));
  ASSERT_TRUE(http.Connect(L"127.0.0.1", 80));
  std::size_t read = 0;
  char buffer[8];
  EXPECT_FALSE(http.ReadData(buffer, sizeof(buffer), read));
  int status = 0;
  EXPECT_FALSE(http.QueryStatus(status));
  ASSERT_TRUE(http.OpenRequest(L"GET", L"/", false));
  EXPECT_FALSE(http.AddHeaders(L"no colon here"));
  EXPECT_EQ(http.LastError(), err::kInvalidParameter);
}

}  // namespace
