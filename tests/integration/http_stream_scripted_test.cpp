// The HTTP stream against a scripted server of our own, over real TCP: the replies real servers
// do not send on purpose. One scripted reply per case.
#include <gtest/gtest.h>

#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include "khttp/http_error.h"
#include "tests/integration/stream_driver.h"
#include "tests/servers/scripted_server.h"

namespace khttp {
namespace {

using boost::system::error_code;
using kvtest::stream_driver;
using kvtest::stream_form;
namespace asio_error = boost::asio::error;

const std::map<std::string, std::string> kReplies = {
    {"/status-without-blank", "HTTP/1.1 200\r\n\r\n"},
    {"/status-two-blanks", "HTTP/1.1  200 OK\r\n\r\n"},
    {"/status-bad-version", "HTTP/one 200 OK\r\n\r\n"},
    {"/status-empty-reason", "HTTP/1.1 200 \r\nContent-Length: 2\r\n\r\nok"},
    {"/folded", "HTTP/1.1 200 OK\r\nX-Long: part1\r\n\tpart2\r\nContent-Length: 2\r\n\r\nok"},
    {"/continue", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"},
    {"/bad-chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhelloXX0\r\n\r\n"},
    {"/chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n"},
    {"/cookies",
     "HTTP/1.1 302 Found\r\nSet-Cookie: a=1\r\nSET-COOKIE: b=2\r\nsEt-CoOkIe: c=3\r\n"
     "Location: /cookie-check\r\nContent-Length: 0\r\n\r\n"},
    {"/cookie-check", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"},
    {"/chain", "HTTP/1.1 302 Found\r\nLocation: /dir/a\r\n\r\n"},
    {"/dir/a", "HTTP/1.1 301 Moved\r\nLocation: b?x=1\r\n\r\n"},
    {"/dir/b?x=1", "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:{port}/final\r\n\r\n"},
    {"/final", "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone"},
    {"/cut-inside-head", "HTTP/1.1 200 OK\r\nContent-Len"},
    {"/short-body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"},
    {"/long-body", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef"},
    {"/until-close", "HTTP/1.1 200 OK\r\n\r\nall of it"},
};

struct Case {
  const char* path;
  error_code open_error;
  std::string body;
  error_code end_error;  // of the read that ends the body
};

TEST(HttpStreamScripted, MalformedAndUnusualReplies) {
  kvtest::scripted_http_server server(kReplies);
  const Case kCases[] = {
      {"/status-without-blank", http_error::malformed_status_line, "", {}},
      {"/status-two-blanks", http_error::malformed_status_line, "", {}},
      {"/status-bad-version", http_error::malformed_status_line, "", {}},
      {"/status-empty-reason", {}, "ok", asio_error::eof},
      {"/folded", {}, "ok", asio_error::eof},
      {"/continue", {}, "ok", asio_error::eof},
      {"/bad-chunk", {}, "hello", http_error::invalid_chunked_encoding},
      {"/chunked", {}, "ok", asio_error::eof},
      {"/chain", {}, "done", asio_error::eof},
      {"/cut-inside-head", http_error::malformed_response_headers, "", {}},
      {"/short-body", {}, "abc", http_error::body_truncated},
      {"/long-body", {}, "abc", asio_error::eof},
      {"/until-close", {}, "all of it", asio_error::eof},
  };
  for (const auto& c : kCases) {
    for (stream_form form : kvtest::kStreamForms) {
      SCOPED_TRACE(std::string(c.path) + ", " + kvtest::Name(form));
      stream_driver driver(form);
      ASSERT_EQ(driver.Open(server.Url(c.path)), c.open_error);
      if (c.open_error) continue;
      error_code ec;
      EXPECT_EQ(driver.ReadBody(ec), c.body);
      EXPECT_EQ(ec, c.end_error);
    }
  }
}

TEST(HttpStreamScripted, FoldedHeaderIsJoined) {
  kvtest::scripted_http_server server(kReplies);
  stream_driver driver(stream_form::blocking);
  ASSERT_FALSE(driver.Open(server.Url("/folded")));
  std::string value;
  ASSERT_TRUE(driver.stream().ResponseOptions().Find("x-long", value));
  EXPECT_EQ(value, "part1part2");
}

TEST(HttpStreamScripted, RedirectChainAndItsCookies) {
  for (stream_form form : kvtest::kStreamForms) {
    SCOPED_TRACE(kvtest::Name(form));
    kvtest::scripted_http_server server(kReplies);
    stream_driver driver(form);
    ASSERT_FALSE(driver.Open(server.Url("/chain")));
    EXPECT_EQ(driver.stream().FinalUrl().ToString(), server.Url("/final"));
    ASSERT_FALSE(driver.Open(server.Url("/cookies")));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 6u);
    EXPECT_EQ(requests[2].substr(0, 20), "GET /dir/b?x=1 HTTP/");
    EXPECT_NE(requests[5].find("\r\nCookie: a=1; b=2; c=3\r\n"), std::string::npos) << requests[5];
  }
}

TEST(HttpStreamScripted, Socks5ServerAnsweringFF) {
  kvtest::scripted_server socks([](boost::asio::ip::tcp::socket& socket) {
    char greeting[3];
    boost::system::error_code ec;
    boost::asio::read(socket, boost::asio::buffer(greeting), ec);
    boost::asio::write(socket, boost::asio::buffer("\x05\xFF", 2), ec);
  });
  for (stream_form form : kvtest::kStreamForms) {
    SCOPED_TRACE(kvtest::Name(form));
    stream_driver driver(form);
    driver.stream().SetProxy({"127.0.0.1", socks.Port(), "", "", ProxyKind::Socks5});
    EXPECT_EQ(driver.Open("http://h.example/"),
              make_error_code(http_error::socks_unsupported_authentication_version));
  }
}

}  // namespace
}  // namespace khttp
