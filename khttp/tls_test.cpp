#include "khttp/tls.h"

#include <gtest/gtest.h>

#include <boost/asio/io_context.hpp>

#include "tests/support/memory_transport.h"

namespace khttp {
namespace {

using boost::system::error_code;

// A session that cannot be given the name to send or the name or address to check is not made:
// going on without them would skip the check silently.
TEST(TlsTransport, RefusesANameItCannotSendOrCheck) {
  struct Case {
    const char* name;
    std::string host;
    bool verify;
    bool refused;
  };
  const Case kCases[] = {
      {"host name, checked", "h.example", true, false},
      {"address, checked", "127.0.0.1", true, false},
      {"IPv6 address, checked", "::1", true, false},
      {"NUL inside the name, checked", std::string("h.example\0evil.example", 22), true, true},
      {"name too long for the server name, checked", std::string(300, 'a'), true, true},
      {"name too long for the server name, unchecked", std::string(300, 'a'), false, true},
  };
  boost::asio::io_context io;
  const auto context = MakeTlsContext();
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    auto inner = std::make_shared<kvtest::memory_transport>(io, kvtest::peer_script(""));
    error_code ec;
    const auto session = MakeTlsTransport(inner, c.host, c.verify, context, ec);
    if (c.refused) {
      EXPECT_EQ(ec, error_code(kTlsPeerNameRefused, tls_certificate_category()));
      EXPECT_EQ(session, nullptr);
      EXPECT_FALSE(ec.message().empty());
    } else {
      EXPECT_FALSE(ec) << ec.message();
      EXPECT_NE(session, nullptr);
    }
    EXPECT_EQ(inner->Written(), "");
  }
}

}  // namespace
}  // namespace khttp
