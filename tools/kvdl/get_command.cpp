// kvdl get URL [-o FILE] [-v] [--proxy URL] [--insecure]
// Fetches one URL over one stream, following redirects. The body goes to FILE (written under a
// temporary name and renamed once complete, so a failed fetch leaves FILE as it was) or to
// standard output; -v prints the request and response heads to standard error. A failure exits
// 1 with one line that names it.
#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/error.hpp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "khttp/http_error.h"
#include "khttp/http_stream.h"
#include "khttp/tls.h"
#include "platform/standard_streams.h"
#include "tools/kvdl/commands.h"
#include "tools/kvdl/proxy_url.h"

namespace kvdl {
namespace {

using boost::system::error_code;

struct get_arguments {
  std::string url;
  std::string output;  // empty: standard output
  bool verbose = false;
  bool insecure = false;
  khttp::ProxySettings proxy;
};

int Fail(const std::string& message) {
  std::fprintf(stderr, "kvdl: %s\n", message.c_str());
  return 1;
}

int BadArguments(const std::string& message) {
  std::fprintf(stderr, "kvdl: %s\nusage: kvdl get URL [-o FILE] [-v] [--proxy URL] [--insecure]\n",
               message.c_str());
  return 2;
}

// Parses the arguments; an empty result is success, otherwise what is wrong.
std::string ParseArguments(int argc, char** argv, get_arguments& arguments) {
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (argument == "-o") {
      if (!value(arguments.output)) return "-o needs a file name";
    } else if (argument == "-v") {
      arguments.verbose = true;
    } else if (argument == "--insecure") {
      arguments.insecure = true;
    } else if (argument == "--proxy") {
      std::string proxy_url;
      std::string error;
      if (!value(proxy_url)) return "--proxy needs a URL";
      if (!ParseProxyUrl(proxy_url, arguments.proxy, error)) return error;
    } else if (!argument.empty() && argument[0] == '-') {
      return "unknown option " + argument;
    } else if (arguments.url.empty()) {
      arguments.url = argument;
    } else {
      return "more than one URL";
    }
  }
  return arguments.url.empty() ? "no URL given" : "";
}

void PrintHead(khttp::http_stream::head_direction direction, const std::string& head) {
  const char* mark = direction == khttp::http_stream::head_direction::sent ? "> " : "< ";
  std::size_t pos = 0;
  while (pos < head.size()) {
    auto end = head.find("\r\n", pos);
    if (end == std::string::npos) end = head.size();
    if (end > pos) std::fprintf(stderr, "%s%s\n", mark, head.substr(pos, end - pos).c_str());
    pos = end + 2;
  }
  std::fprintf(stderr, "%s\n", mark);
}

bool IsStatus(const error_code& ec) {
  return ec.category() == khttp::http_category() && ec.value() >= 100 && ec.value() <= 999;
}

bool IsSocksCode(const error_code& ec) {
  return ec.category() == khttp::http_category() && ec.value() >= 1000 && ec.value() <= 1007;
}

// One line that names a failed open: the certificate problem, the HTTP status, what the proxy
// refused, or the network error and where it happened.
std::string DescribeOpenFailure(const khttp::http_stream& stream, const khttp::ProxySettings& proxy,
                                const error_code& ec) {
  using stage = khttp::http_stream::open_stage;
  const std::string proxy_name = proxy.hostname + ":" + std::to_string(proxy.port);
  const bool proxied = proxy.kind != khttp::ProxyKind::Direct;
  if (ec.category() == khttp::tls_certificate_category()) return "TLS: " + ec.message();
  if (stream.Stage() == stage::tls) return "TLS handshake failed: " + ec.message();
  if (IsSocksCode(ec)) return "proxy " + proxy_name + " refused: " + ec.message();
  if (IsStatus(ec) && ec.value() == 407) {
    return "proxy " + proxy_name + " refused: HTTP 407 " + ec.message();
  }
  if (IsStatus(ec)) return "HTTP " + std::to_string(ec.value()) + " " + ec.message();
  if (stream.Stage() == stage::connect) {
    return "cannot connect to " + (proxied ? "proxy " + proxy_name : stream.FinalUrl().Host()) +
           ": " + ec.message();
  }
  if (stream.Stage() == stage::proxy) {
    return "proxy " + proxy_name + " refused: " + ec.message();
  }
  return ec.message();
}

class body_sink {
 public:
  explicit body_sink(const std::string& output) : output_(output) {
    if (output_.empty()) {
      platform::UseBinaryStandardOutput();  // the body's bytes as they are, on every system
      file_ = stdout;
    } else {
      partial_ = output_ + ".part";
      file_ = std::fopen(partial_.c_str(), "wb");
    }
  }
  ~body_sink() {
    if (!partial_.empty() && file_) {
      std::fclose(file_);
      std::remove(partial_.c_str());
    }
  }
  bool ok() const { return file_ != nullptr; }
  bool Write(const char* data, std::size_t size) {
    return std::fwrite(data, 1, size, file_) == size;
  }
  // Flushes and, for a file, puts it in place. False when that fails.
  bool Finish() {
    if (partial_.empty()) return std::fflush(file_) == 0;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    std::error_code error;
    if (closed) std::filesystem::rename(partial_, output_, error);
    if (!closed || error) {
      std::remove(partial_.c_str());
      return false;
    }
    return true;
  }

 private:
  std::string output_;
  std::string partial_;
  std::FILE* file_ = nullptr;
};

}  // namespace

int RunGet(int argc, char** argv) {
  get_arguments arguments;
  const std::string problem = ParseArguments(argc, argv, arguments);
  if (!problem.empty()) return BadArguments(problem);
  error_code ec;
  const auto url = khttp::ParsedUrl::FromString(arguments.url, ec);
  if (ec) return Fail("not a URL: " + arguments.url);

  boost::asio::io_context io;
  khttp::http_stream stream(io);
  stream.SetProxy(arguments.proxy);
  stream.SetCheckCertificate(!arguments.insecure);
  if (arguments.verbose) stream.SetTrace(PrintHead);
  stream.Open(url, ec);
  if (ec) return Fail(DescribeOpenFailure(stream, arguments.proxy, ec));

  body_sink sink(arguments.output);
  if (!sink.ok()) return Fail("cannot write " + arguments.output + ": " + std::strerror(errno));
  std::vector<char> buffer(std::size_t{64} * 1024);
  std::uint64_t received = 0;
  for (;;) {
    const std::size_t bytes = stream.ReadSome(boost::asio::buffer(buffer), ec);
    if (bytes > 0 && !sink.Write(buffer.data(), bytes)) {
      return Fail("cannot write " +
                  (arguments.output.empty() ? "standard output" : arguments.output));
    }
    received += bytes;
    if (bytes == 0 || ec) break;
  }
  if (ec && ec != boost::asio::error::eof) {
    std::string message = ec.message() + " after " + std::to_string(received) + " bytes";
    if (stream.ContentLength() >= 0) message += " of " + std::to_string(stream.ContentLength());
    return Fail(message);
  }
  if (!sink.Finish()) return Fail("cannot write " + arguments.output);
  return 0;
}

}  // namespace kvdl
