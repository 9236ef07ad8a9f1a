// kvdl get URL [-o FILE] [-v] [--proxy URL] [--insecure] [--timeout SECONDS]
// Fetches one URL over one stream, following redirects. The body goes to FILE (written under a
// temporary name and renamed once complete, so a failed fetch leaves FILE as it was) or to
// standard output; -v prints the request and response heads to standard error. A fetch that
// gets no answer, or no byte of the body, for SECONDS (default 60) is given up. A failure exits
// 1 with one line that names it.
#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ssl/error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
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
  unsigned timeout_seconds = 60;
};

constexpr char kUsage[] =
    "usage: kvdl get URL [-o FILE] [-v] [--proxy URL] [--insecure] [--timeout SECONDS]";
// A day: longer is surely a mistake, and keeps the timer's arithmetic far from overflow.
constexpr unsigned long kMaxTimeoutSeconds = 86400;

// Whole seconds from 1 to a day; false for anything else.
bool ParseSeconds(const std::string& text, unsigned& seconds) {
  if (text.empty() || text.size() > 6 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const unsigned long value = std::stoul(text);
  if (value == 0 || value > kMaxTimeoutSeconds) return false;
  seconds = static_cast<unsigned>(value);
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kvdl: %s\n", message.c_str());
  return 1;
}

int BadArguments(const std::string& message) {
  std::fprintf(stderr, "kvdl: %s\n%s\n", message.c_str(), kUsage);
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
    } else if (argument == "--timeout") {
      std::string seconds;
      if (!value(seconds)) return "--timeout needs a number of seconds";
      if (!ParseSeconds(seconds, arguments.timeout_seconds)) {
        return "--timeout needs whole seconds from 1 to " + std::to_string(kMaxTimeoutSeconds);
      }
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

// One fetch on its own io context: the open, then the body read by read into the sink. A stall
// timer runs throughout: the start and every body byte set it again; when it fires the stream
// is closed, which ends whatever is pending.
class fetch {
 public:
  static constexpr std::size_t kBufferBytes = std::size_t{64} * 1024;

  fetch(const get_arguments& arguments, const khttp::ParsedUrl& url)
      : arguments_(arguments), url_(url), stream_(io_), timer_(io_), buffer_(kBufferBytes) {
    stream_.SetProxy(arguments.proxy);
    stream_.SetCheckCertificate(!arguments.insecure);
    if (arguments.verbose) stream_.SetTrace(PrintHead);
  }

  // Runs the fetch to its end; the exit code.
  int Run() {
    Arm();
    stream_.AsyncOpen(url_, [this](const error_code& ec) { OnOpen(ec); });
    io_.run();
    return exit_code_;
  }

 private:
  // A wait that had already expired when the timer was set again is not a stall: only the
  // latest setting counts.
  void Arm() {
    const unsigned setting = ++setting_;
    timer_.expires_after(std::chrono::seconds(arguments_.timeout_seconds));
    timer_.async_wait([this, setting](const error_code& ec) {
      if (ec || setting != setting_ || finished_) return;
      stalled_ = true;
      error_code ignored;
      stream_.Close(ignored);
    });
  }

  void Finish(int exit_code) {
    exit_code_ = exit_code;
    finished_ = true;
    timer_.cancel();
  }

  std::string Seconds() const {
    const unsigned seconds = arguments_.timeout_seconds;
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
  }

  std::string Progress() const {
    std::string text = std::to_string(received_) + " bytes";
    if (stream_.ContentLength() >= 0) text += " of " + std::to_string(stream_.ContentLength());
    return text;
  }

  void OnOpen(const error_code& ec) {
    if (stalled_) {
      return Finish(Fail("no answer from " + url_.Host() + " within " + Seconds()));
    }
    if (ec) return Finish(Fail(DescribeOpenFailure(stream_, arguments_.proxy, ec)));
    sink_ = std::make_unique<body_sink>(arguments_.output);
    if (!sink_->ok()) {
      return Finish(Fail("cannot write " + arguments_.output + ": " + std::strerror(errno)));
    }
    Arm();
    Read();
  }

  void Read() {
    stream_.AsyncReadSome(boost::asio::buffer(buffer_),
                          [this](const error_code& ec, std::size_t bytes) { OnRead(ec, bytes); });
  }

  void OnRead(const error_code& ec, std::size_t bytes) {
    if (bytes > 0 && !sink_->Write(buffer_.data(), bytes)) {
      return Finish(Fail("cannot write " +
                         (arguments_.output.empty() ? "standard output" : arguments_.output)));
    }
    received_ += bytes;
    if (stalled_) {
      // The .part file goes with the sink.
      return Finish(Fail("no data for " + Seconds() + ", gave up after " + Progress()));
    }
    if (ec && ec != boost::asio::error::eof) {
      return Finish(Fail(ec.message() + " after " + Progress()));
    }
    if (bytes == 0 || ec) {
      return Finish(sink_->Finish() ? 0 : Fail("cannot write " + arguments_.output));
    }
    Arm();
    Read();
  }

  const get_arguments& arguments_;
  khttp::ParsedUrl url_;
  boost::asio::io_context io_;
  khttp::http_stream stream_;
  boost::asio::steady_timer timer_;
  std::vector<char> buffer_;
  std::unique_ptr<body_sink> sink_;
  std::uint64_t received_ = 0;
  unsigned setting_ = 0;
  bool stalled_ = false;
  bool finished_ = false;
  int exit_code_ = 1;
};

}  // namespace

int RunGet(int argc, char** argv) {
  get_arguments arguments;
  const std::string problem = ParseArguments(argc, argv, arguments);
  if (!problem.empty()) return BadArguments(problem);
  error_code ec;
  const auto url = khttp::ParsedUrl::FromString(arguments.url, ec);
  if (ec) return Fail("not a URL: " + arguments.url);
  fetch job(arguments, url);
  return job.Run();
}

}  // namespace kvdl
