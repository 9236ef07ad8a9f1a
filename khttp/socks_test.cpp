#include "khttp/socks.h"

#include <gtest/gtest.h>

#include "khttp/http_error.h"

namespace khttp {
namespace {

using boost::system::error_code;
namespace asio_error = boost::asio::error;

TEST(Socks, RequestBytes) {
  EXPECT_EQ(Socks4Request(boost::asio::ip::make_address_v4("10.1.2.3"), 8080, "me"),
            std::string("\x04\x01\x1F\x90\x0A\x01\x02\x03me\x00", 11));
  EXPECT_EQ(Socks5Greeting(""), std::string("\x05\x01\x00", 3));
  EXPECT_EQ(Socks5Greeting("u"), std::string("\x05\x02\x00\x02", 4));
  error_code ec;
  EXPECT_EQ(Socks5Authentication("user", "pw", ec), std::string("\x01\x04user\x02pw", 9));
  EXPECT_EQ(Socks5ConnectRequest("h.example", 443, ec),
            std::string("\x05\x01\x00\x03\x09h.example\x01\xBB", 16));
  EXPECT_FALSE(ec);
  Socks5ConnectRequest(std::string(256, 'h'), 80, ec);
  EXPECT_EQ(ec, boost::system::errc::invalid_argument);
  Socks5Authentication(std::string(256, 'u'), "", ec);
  EXPECT_EQ(ec, boost::system::errc::invalid_argument);
}

TEST(Socks, Socks4Replies) {
  const std::pair<unsigned char, error_code> kCases[] = {
      {90, {}},
      {91, http_error::socks_authentication_error},
      {92, http_error::socks_no_identd},
      {93, http_error::socks_identd_error},
      {0, http_error::socks_general_failure},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Socks4ReplyError({0, c.first, 0, 0, 0, 0, 0, 0}), c.second) << int(c.first);
  }
}

TEST(Socks, Socks5MethodAndAuthenticationReplies) {
  bool authenticate = false;
  EXPECT_EQ(Socks5MethodError({5, 0}, "u", authenticate), error_code());
  EXPECT_FALSE(authenticate);
  EXPECT_EQ(Socks5MethodError({5, 2}, "u", authenticate), error_code());
  EXPECT_TRUE(authenticate);
  EXPECT_EQ(Socks5MethodError({5, 2}, "", authenticate),
            make_error_code(http_error::socks_username_required));
  EXPECT_EQ(Socks5MethodError({5, 0xFF}, "", authenticate),
            make_error_code(http_error::socks_unsupported_authentication_version));
  EXPECT_EQ(Socks5MethodError({4, 0}, "", authenticate),
            make_error_code(http_error::socks_unsupported_version));
  EXPECT_EQ(Socks5AuthenticationError({1, 0}), error_code());
  EXPECT_EQ(Socks5AuthenticationError({1, 1}),
            make_error_code(http_error::socks_authentication_error));
  EXPECT_EQ(Socks5AuthenticationError({5, 0}),
            make_error_code(http_error::socks_unsupported_authentication_version));
}

TEST(Socks, Socks5ConnectReplies) {
  struct Case {
    unsigned char version, reply, address_type, length;
    error_code expected;
    std::size_t rest;
  };
  const Case kCases[] = {
      {5, 0, 1, 0, {}, 0},
      {5, 0, 3, 9, {}, 6},  // a 9-byte name: 6 more bytes after the first 10
      {5, 0, 4, 0, {}, 12},
      {5, 0, 3, 2, http_error::socks_general_failure, 0},
      {5, 0, 7, 0, asio_error::address_family_not_supported, 0},
      {4, 0, 1, 0, http_error::socks_unsupported_version, 0},
      {5, 1, 1, 0, http_error::socks_general_failure, 0},
      {5, 2, 1, 0, asio_error::no_permission, 0},
      {5, 3, 1, 0, asio_error::network_unreachable, 0},
      {5, 4, 1, 0, asio_error::host_unreachable, 0},
      {5, 5, 1, 0, asio_error::connection_refused, 0},
      {5, 6, 1, 0, asio_error::timed_out, 0},
      {5, 7, 1, 0, http_error::socks_command_not_supported, 0},
      {5, 8, 1, 0, asio_error::address_family_not_supported, 0},
      {5, 9, 1, 0, http_error::socks_general_failure, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(std::to_string(c.reply) + "/" + std::to_string(c.address_type));
    std::size_t rest = 99;
    EXPECT_EQ(
        Socks5ReplyError({c.version, c.reply, 0, c.address_type, c.length, 0, 0, 0, 0, 0}, rest),
        c.expected);
    if (!c.expected) {
      EXPECT_EQ(rest, c.rest);
    }
  }
}

}  // namespace
}  // namespace khttp
