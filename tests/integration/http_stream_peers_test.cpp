// The HTTP stream against real servers and proxies on loopback: every connection path in both
// forms, ranges on a kept-alive connection, redirects, certificate checks, proxy refusals.
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include <array>
#include <boost/asio/error.hpp>
#include <functional>
#include <memory>
#include <vector>

#include "khttp/http_error.h"
#include "khttp/http_stream.h"
#include "khttp/tls.h"
#include "tests/integration/stream_driver.h"
#include "tests/servers/peers.h"
#include "tests/support/child_process.h"

namespace khttp {
namespace {

using boost::system::error_code;
using kvtest::peers;
using kvtest::stream_driver;
using kvtest::stream_form;
namespace asio_error = boost::asio::error;

std::string Origin(bool https) {
  auto& p = peers::Get();
  return https ? "https://127.0.0.1:" + std::to_string(p.HttpsPort())
               : "http://127.0.0.1:" + std::to_string(p.HttpPort());
}

struct ConnectionPath {
  const char* name;
  int (peers::*port)();
  const char* username;
  const char* password;
  ProxyKind kind;
  bool https;
};

const ConnectionPath kPaths[] = {
    {"direct http", nullptr, "", "", ProxyKind::Direct, false},
    {"direct https", nullptr, "", "", ProxyKind::Direct, true},
    {"socks4 http", &peers::DantePort, "kvtest", "", ProxyKind::Socks4, false},
    {"socks4 https", &peers::DantePort, "kvtest", "", ProxyKind::Socks4, true},
    {"socks5 http", &peers::DantePort, "", "", ProxyKind::Socks5, false},
    {"socks5 https", &peers::DantePort, "", "", ProxyKind::Socks5, true},
    {"socks5 password http", &peers::MicrosocksPort, "bob", "pw", ProxyKind::Socks5Auth, false},
    {"socks5 password https", &peers::MicrosocksPort, "bob", "pw", ProxyKind::Socks5Auth, true},
    {"http proxy", &peers::TinyproxyPort, "", "", ProxyKind::HttpProxy, false},
    {"http proxy with credentials", &peers::TinyproxyAuthPort, "alice", "s3cret",
     ProxyKind::HttpProxyAuth, false},
    {"connect tunnel", &peers::TinyproxyPort, "", "", ProxyKind::HttpProxy, true},
    {"connect tunnel with credentials", &peers::TinyproxyAuthPort, "alice", "s3cret",
     ProxyKind::HttpProxyAuth, true},
};

ProxySettings ProxyOf(const ConnectionPath& path) {
  ProxySettings proxy;
  proxy.kind = path.kind;
  if (path.port) {
    proxy.hostname = "127.0.0.1";
    proxy.port = (peers::Get().*path.port)();
  }
  proxy.username = path.username;
  proxy.password = path.password;
  return proxy;
}

TEST(HttpStreamPeers, BodyArrivesWholeOnEveryPath) {
  for (const auto& path : kPaths) {
    for (stream_form form : kvtest::kStreamForms) {
      SCOPED_TRACE(std::string(path.name) + ", " + kvtest::Name(form));
      stream_driver driver(form);
      driver.stream().SetProxy(ProxyOf(path));
      ASSERT_FALSE(driver.Open(Origin(path.https) + "/big.bin"));
      EXPECT_EQ(driver.stream().ContentLength(),
                static_cast<std::int64_t>(peers::Get().BigFile().size()));
      error_code ec;
      const std::string body = driver.ReadBody(ec);
      EXPECT_EQ(ec, boost::asio::error::eof);  // "Connection: close" was asked for
      EXPECT_EQ(body.size(), peers::Get().BigFile().size());
      EXPECT_EQ(kvtest::Sha256Hex(body), peers::Get().BigDigest());
    }
  }
}

TEST(HttpStreamPeers, RangesOnOneKeptAliveConnection) {
  const std::string& big = peers::Get().BigFile();
  for (bool https : {false, true}) {
    for (stream_form form : kvtest::kStreamForms) {
      SCOPED_TRACE(std::string(https ? "https, " : "http, ") + kvtest::Name(form));
      stream_driver driver(form);
      RequestOptions options;
      options.Insert("Range", "bytes=0-99");
      options.Insert("Connection", "keep-alive");
      driver.stream().SetRequestOptions(options);
      ASSERT_FALSE(driver.Open(Origin(https) + "/big.bin"));
      EXPECT_EQ(driver.stream().StatusCode(), 206);
      EXPECT_EQ(driver.stream().ContentLength(), static_cast<std::int64_t>(big.size()));
      error_code ec;
      EXPECT_EQ(driver.ReadBody(ec), big.substr(0, 100));
      EXPECT_FALSE(ec);
      for (std::size_t from : {std::size_t{1000}, big.size() - 10}) {
        RequestOptions next;
        next.Insert("Range", "bytes=" + std::to_string(from) + "-" + std::to_string(from + 1999));
        next.Insert("Connection", "keep-alive");
        ASSERT_FALSE(driver.Request(next));
        EXPECT_EQ(driver.ReadBody(ec), big.substr(from, 2000));
        EXPECT_FALSE(ec) << ec.message();
      }
    }
  }
}

TEST(HttpStreamPeers, FollowsRedirectsButNotFromHttpsToHttp) {
  for (stream_form form : kvtest::kStreamForms) {
    SCOPED_TRACE(kvtest::Name(form));
    for (bool https : {false, true}) {
      stream_driver driver(form);
      ASSERT_FALSE(driver.Open(Origin(https) + "/redirect"));
      EXPECT_EQ(driver.stream().FinalUrl().ToString(), Origin(https) + "/big.bin");
      error_code ec;
      EXPECT_EQ(kvtest::Sha256Hex(driver.ReadBody(ec)), peers::Get().BigDigest());
    }
    stream_driver driver(form);
    EXPECT_EQ(driver.Open(Origin(true) + "/to-http"),
              make_error_code(http_error::insecure_redirect));
    EXPECT_FALSE(driver.stream().IsOpen());
  }
}

// Sets SSL_CERT_FILE for one scope.
class trust_store {
 public:
  explicit trust_store(const std::string& file) { kvtest::SetEnvironment("SSL_CERT_FILE", file); }
  ~trust_store() { kvtest::SetEnvironment("SSL_CERT_FILE", peers::Get().CaFile().string()); }
};

TEST(HttpStreamPeers, ChecksCertificatesUnlessTold) {
  const std::string port = std::to_string(peers::Get().HttpsPort());
  struct Case {
    const char* name;
    std::string url;
    bool own_ca_trusted;
    int verify_error;
  };
  const Case kCases[] = {
      {"trusted CA and matching address", "https://127.0.0.1:" + port + "/small.txt", true,
       X509_V_OK},
      {"name the certificate does not carry", "https://localhost:" + port + "/small.txt", true,
       X509_V_ERR_HOSTNAME_MISMATCH},
      {"CA not in the trust store", "https://127.0.0.1:" + port + "/small.txt", false,
       X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY},
  };
  for (const auto& c : kCases) {
    for (stream_form form : kvtest::kStreamForms) {
      for (bool check : {true, false}) {
        SCOPED_TRACE(std::string(c.name) + ", " + kvtest::Name(form) +
                     (check ? "" : ", unchecked"));
        trust_store store(c.own_ca_trusted ? peers::Get().CaFile().string() : "/nonexistent.pem");
        stream_driver driver(form);
        driver.stream().SetCheckCertificate(check);
        const error_code ec = driver.Open(c.url);
        if (!check || c.verify_error == X509_V_OK) {
          EXPECT_FALSE(ec) << ec.message();
        } else {
          EXPECT_EQ(ec, error_code(c.verify_error, tls_certificate_category())) << ec.message();
        }
      }
    }
  }
}

// Streams built on one shared TLS context (one per download) load the trust store once, when
// the context is made: connections opened after SSL_CERT_FILE has changed still check against
// the store loaded then, and several connections at once on one io context all verify.
TEST(HttpStreamPeers, StreamsShareOneTlsContextAndItsTrustStore) {
  const std::string& big = peers::Get().BigFile();
  const std::string url = Origin(true) + "/big.bin";
  const auto context = MakeTlsContext();  // SSL_CERT_FILE names the test CA here
  trust_store store("/nonexistent.pem");

  boost::asio::io_context io;
  constexpr int kStreams = 4;
  std::vector<std::unique_ptr<http_stream>> streams;
  std::vector<std::string> bodies(kStreams);
  std::vector<error_code> results(kStreams);
  std::vector<std::array<char, 2048>> buffers(kStreams);
  std::function<void(int)> read = [&](int i) {
    streams[i]->AsyncReadSome(boost::asio::buffer(buffers[i]),
                              [&, i](const error_code& ec, std::size_t bytes) {
                                bodies[i].append(buffers[i].data(), bytes);
                                if (ec || bytes == 0) {
                                  results[i] = ec;
                                  return;
                                }
                                read(i);
                              });
  };
  const std::size_t piece = big.size() / kStreams;
  for (int i = 0; i < kStreams; ++i) {
    streams.push_back(std::make_unique<http_stream>(io, context));
    RequestOptions options;
    options.Insert(
        "Range", "bytes=" + std::to_string(i * piece) + "-" + std::to_string((i + 1) * piece - 1));
    streams[i]->SetRequestOptions(options);
    streams[i]->AsyncOpen(ParsedUrl(url), [&, i](const error_code& ec) {
      if (ec) {
        results[i] = ec;
        return;
      }
      read(i);
    });
  }
  io.run();
  for (int i = 0; i < kStreams; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(results[i], asio_error::eof) << results[i].message();
    EXPECT_EQ(bodies[i], big.substr(i * piece, piece));
  }

  // A stream of its own, without a shared context, loads the store now: and finds none.
  stream_driver alone(stream_form::blocking);
  EXPECT_EQ(alone.Open(url),
            error_code(X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY, tls_certificate_category()));
}

TEST(HttpStreamPeers, ProxiesRefuseWithoutCredentials) {
  auto& p = peers::Get();
  struct Case {
    const char* name;
    ProxySettings proxy;
    bool https;
    error_code expected;
  };
  const Case kCases[] = {
      {"http proxy",
       {"127.0.0.1", p.TinyproxyAuthPort(), "", "", ProxyKind::HttpProxy},
       false,
       make_status_error(407)},
      {"connect tunnel",
       {"127.0.0.1", p.TinyproxyAuthPort(), "", "", ProxyKind::HttpProxy},
       true,
       make_status_error(407)},
      // tinyproxy answers wrong credentials with 401 rather than 407.
      {"wrong proxy password",
       {"127.0.0.1", p.TinyproxyAuthPort(), "alice", "wrong", ProxyKind::HttpProxyAuth},
       true,
       make_status_error(401)},
      {"socks5 wrong password",
       {"127.0.0.1", p.MicrosocksPort(), "bob", "wrong", ProxyKind::Socks5Auth},
       false,
       make_error_code(http_error::socks_authentication_error)},
      {"socks5 without user name",
       {"127.0.0.1", p.MicrosocksPort(), "", "", ProxyKind::Socks5},
       false,
       make_error_code(http_error::socks_unsupported_authentication_version)},
  };
  for (const auto& c : kCases) {
    for (stream_form form : kvtest::kStreamForms) {
      SCOPED_TRACE(std::string(c.name) + ", " + kvtest::Name(form));
      stream_driver driver(form);
      driver.stream().SetProxy(c.proxy);
      EXPECT_EQ(driver.Open(Origin(c.https) + "/small.txt"), c.expected);
    }
  }
}

}  // namespace
}  // namespace khttp
