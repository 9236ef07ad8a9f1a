// kvdl get against the real peers: what it writes and how it fails.
#include <gtest/gtest.h>

#include <boost/asio/read.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/streambuf.hpp>
#include <boost/asio/write.hpp>

#include "tests/servers/peers.h"
#include "tests/servers/scripted_server.h"
#include "tests/support/child_process.h"
#include "tests/support/ports.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::peers;

struct Result {
  int exit_code;
  std::string out;
  std::string err;
};

Result Kvdl(const std::vector<std::string>& arguments) {
  kvtest::TempFolder folder;
  std::vector<std::string> argv{KVDL_PATH, "get"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const int code = kvtest::RunProgram(argv, folder.path() / "out", folder.path() / "err");
  // Standard error is a text stream: Windows ends its lines with CR LF.
  std::string err = kvtest::ReadFile(folder.path() / "err");
  for (auto at = err.find("\r\n"); at != std::string::npos; at = err.find("\r\n", at)) {
    err.erase(at, 1);
  }
  return {code, kvtest::ReadFile(folder.path() / "out"), err};
}

std::string Http(const std::string& path) {
  return "http://127.0.0.1:" + std::to_string(peers::Get().HttpPort()) + path;
}
std::string Https(const std::string& path, const std::string& host = "127.0.0.1") {
  return "https://" + host + ":" + std::to_string(peers::Get().HttpsPort()) + path;
}
std::string Local(int port) { return "127.0.0.1:" + std::to_string(port); }

TEST(KvdlGet, WritesTheBodyToAFileThroughAProxy) {
  kvtest::TempFolder folder;
  const auto file = folder.path() / "big.bin";
  const Result result = Kvdl({Https("/redirect"), "-o", file.string(), "--proxy",
                              "http://alice:s3cret@" + Local(peers::Get().TinyproxyAuthPort())});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(kvtest::Sha256Hex(kvtest::ReadFile(file)), peers::Get().BigDigest());
  EXPECT_FALSE(std::filesystem::exists(file.string() + ".part"));
}

TEST(KvdlGet, VerbosePrintsTheHeadsToStandardError) {
  const Result result = Kvdl({Http("/small.txt"), "-v", "--proxy",
                              "socks5://bob:pw@" + Local(peers::Get().MicrosocksPort())});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "small file\n");
  EXPECT_NE(result.err.find("> GET /small.txt HTTP/1.1\n"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("< HTTP/1.1 200 OK\n"), std::string::npos) << result.err;
}

TEST(KvdlGet, InsecureTakesAnyCertificate) {
  const Result result = Kvdl({Https("/small.txt", "localhost"), "--insecure"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out, "small file\n");
}

TEST(KvdlGet, NamesEachFailureInOneLine) {
  auto& p = peers::Get();
  const kvtest::ClosedPort nobody;  // refuses connections, and nobody else can take it
  struct Case {
    std::vector<std::string> arguments;
    std::string line;
  };
  const Case kCases[] = {
      {{Http("/missing")}, "kvdl: HTTP 404 Not found\n"},
      {{Https("/small.txt", "localhost")},
       "kvdl: TLS: certificate verify failed: hostname mismatch\n"},
      {{Https("/to-http")}, "kvdl: Redirect from https to http refused\n"},
      {{Http("/small.txt"), "--proxy", "http://" + Local(p.TinyproxyAuthPort())},
       "kvdl: proxy " + Local(p.TinyproxyAuthPort()) +
           " refused: HTTP 407 Proxy authentication required\n"},
      {{Https("/small.txt"), "--proxy", "socks5://bob:nope@" + Local(p.MicrosocksPort())},
       "kvdl: proxy " + Local(p.MicrosocksPort()) + " refused: SOCKS authentication error\n"},
      {{Http("/small.txt"), "--proxy", "socks4://" + Local(nobody.port())},
       "kvdl: cannot connect to proxy "},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.line);
    kvtest::TempFolder folder;
    const auto file = folder.path() / "kept";
    folder.Write("kept", "what was there before");
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), {"-o", file.string()});
    const Result result = Kvdl(arguments);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err.substr(0, c.line.size()), c.line);
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1);
    EXPECT_EQ(kvtest::ReadFile(file), "what was there before");
  }
}

TEST(KvdlGet, UntrustedCertificateIsNamed) {
  const std::string url = Https("/small.txt");  // starts nginx, which sets SSL_CERT_FILE
  kvtest::SetEnvironment("SSL_CERT_FILE", "/nonexistent.pem");
  const Result result = Kvdl({url});
  kvtest::SetEnvironment("SSL_CERT_FILE", peers::Get().CaFile().string());
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err,
            "kvdl: TLS: certificate verify failed: unable to get local issuer certificate\n");
}

// A server that stops sending: kvdl gives up after --timeout seconds without a byte, says so in
// one line, and leaves neither the file nor its .part behind. The server waits for kvdl to hang
// up, so only the timeout can end the fetch.
TEST(KvdlGet, GivesUpWhenNoByteComesForTheTimeout) {
  struct Case {
    const char* name;
    std::string sent;  // before the server goes quiet; empty: it never answers
    std::string line;
  };
  const Case kCases[] = {
      {"silent after the head and part of the body",
       "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789",
       "kvdl: no data for 1 second, gave up after 10 bytes of 100\n"},
      {"never answers", "", "kvdl: no answer from 127.0.0.1 within 1 second\n"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    kvtest::scripted_server server([&](boost::asio::ip::tcp::socket& socket) {
      boost::system::error_code ec;
      boost::asio::streambuf request;
      boost::asio::read_until(socket, request, "\r\n\r\n", ec);
      if (!c.sent.empty()) boost::asio::write(socket, boost::asio::buffer(c.sent), ec);
      char byte;
      boost::asio::read(socket, boost::asio::buffer(&byte, 1), ec);  // until kvdl hangs up
    });
    kvtest::TempFolder folder;
    const auto file = folder.path() / "stalled.bin";
    const Result result =
        Kvdl({"http://" + Local(server.Port()) + "/file", "-o", file.string(), "--timeout", "1"});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.err, c.line);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".part"));
  }
}

TEST(KvdlGet, BadArgumentsAreUsageErrors) {
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{},
                                             {"http://h.example/", "-o"},
                                             {"http://h.example/", "--proxy", "ftp://p:1"},
                                             {"http://h.example/", "--proxy", "http://p"},
                                             {"a", "b"},
                                             {"http://h.example/", "--timeout"},
                                             {"http://h.example/", "--timeout", "0"},
                                             {"http://h.example/", "--timeout", "-5"},
                                             {"http://h.example/", "--timeout", "1.5"},
                                             {"http://h.example/", "--timeout", "999999999"},
                                             {"--bogus"}}) {
    const Result result = Kvdl(arguments);
    EXPECT_EQ(result.exit_code, 2) << result.err;
    EXPECT_NE(result.err.find("usage: kvdl get URL"), std::string::npos);
  }
  EXPECT_EQ(Kvdl({"not a url"}).exit_code, 1);
}

}  // namespace
