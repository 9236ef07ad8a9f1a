// Side requests on Linux: the download engine's HTTP stream driven step by step from its own io
// context, every wait bounded by the request's time limits. The proxy comes from the usual
// variables.
#include <strings.h>

#include <algorithm>
#include <boost/asio/error.hpp>
#include <boost/asio/io_context.hpp>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "khttp/http_error.h"
#include "khttp/http_stream.h"
#include "khttp/parsed_url.h"
#include "khttp/request_options.h"
#include "platform/side_http.h"
#include "platform/side_http_proxy.h"
#include "platform/text.h"

namespace platform {
namespace {

using boost::system::error_code;
using clock = std::chrono::steady_clock;
namespace err = side_http_error;

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The lower-case variable wins over the upper-case one, as curl and wget read them.
std::string ProxyVariable(const std::string& lower) {
  std::string value = EnvironmentValue(lower.c_str());
  if (value.empty()) {
    std::string upper = lower;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    value = EnvironmentValue(upper.c_str());
  }
  return value;
}

bool IsHttpStatus(const error_code& ec) {
  return ec.category() == khttp::http_category() && ec.value() >= 100 && ec.value() <= 999;
}

int MapOpenError(const error_code& ec, khttp::http_stream::open_stage stage) {
  namespace asio_error = boost::asio::error;
  using stage_t = khttp::http_stream::open_stage;
  if (ec == asio_error::host_not_found || ec == asio_error::host_not_found_try_again ||
      ec == asio_error::no_data) {
    return err::kNameNotResolved;
  }
  if (ec.category() == khttp::http_category()) {
    const auto code = static_cast<khttp::http_error>(ec.value());
    if (code == khttp::http_error::invalid_redirect ||
        code == khttp::http_error::insecure_redirect) {
      return err::kRedirectFailed;
    }
    if (ec.value() >= 1000) return err::kCannotConnect;  // the SOCKS proxy refused
    return err::kInvalidServerResponse;
  }
  if (ec == asio_error::operation_not_supported || ec == asio_error::invalid_argument) {
    return err::kInvalidUrl;
  }
  switch (stage) {
    case stage_t::none:
    case stage_t::connect:
    case stage_t::proxy:
      return err::kCannotConnect;
    case stage_t::tls:
      return err::kSecureFailure;
    case stage_t::exchange:
      break;
  }
  return err::kConnectionError;
}

}  // namespace

// ---- proxy variables -------------------------------------------------------------------------

bool HostBypassesProxy(const std::string& host, const std::string& no_proxy) {
  std::string lower_host;
  for (char c : host) lower_host += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  std::size_t start = 0;
  while (start <= no_proxy.size()) {
    std::size_t end = no_proxy.find_first_of(", ", start);
    if (end == std::string::npos) end = no_proxy.size();
    std::string entry = no_proxy.substr(start, end - start);
    start = end + 1;
    if (entry.empty()) continue;
    if (entry == "*") return true;
    // A port written after the name does not matter here; an IPv6 literal keeps its colons.
    if (entry.front() != '[' && std::count(entry.begin(), entry.end(), ':') == 1) {
      entry.erase(entry.find(':'));
    }
    if (entry.front() == '[' && entry.find(']') != std::string::npos) {
      entry = entry.substr(1, entry.find(']') - 1);
    }
    for (char& c : entry) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (entry.front() == '.') entry.erase(0, 1);
    if (entry.empty()) continue;
    if (lower_host == entry) return true;
    if (lower_host.size() > entry.size() &&
        lower_host.compare(lower_host.size() - entry.size(), entry.size(), entry) == 0 &&
        lower_host[lower_host.size() - entry.size() - 1] == '.') {
      return true;
    }
  }
  return false;
}

static std::string PercentDecoded(const std::string& text) {
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
      out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

bool ParseProxyVariable(const std::string& text, khttp::ProxySettings& proxy) {
  std::string value = text;
  if (value.find("://") == std::string::npos) value = "http://" + value;
  error_code ec;
  const auto url = khttp::ParsedUrl::FromString(value, ec);
  if (ec || url.Host().empty()) return false;
  khttp::ProxySettings parsed;
  parsed.hostname = url.Host();
  parsed.port = url.PortText().empty() ? 1080 : url.Port();
  const std::string& user_info = url.UserInfo();
  const auto colon = user_info.find(':');
  parsed.username = PercentDecoded(user_info.substr(0, colon));
  if (colon != std::string::npos) parsed.password = PercentDecoded(user_info.substr(colon + 1));
  const bool credentials = !user_info.empty();
  const std::string& scheme = url.Protocol();
  if (scheme == "http") {
    parsed.kind = credentials ? khttp::ProxyKind::HttpProxyAuth : khttp::ProxyKind::HttpProxy;
  } else if (scheme == "socks5" || scheme == "socks5h") {
    parsed.kind = credentials ? khttp::ProxyKind::Socks5Auth : khttp::ProxyKind::Socks5;
  } else if (scheme == "socks4" || scheme == "socks4a") {
    parsed.kind = khttp::ProxyKind::Socks4;
  } else {
    return false;
  }
  proxy = parsed;
  return true;
}

khttp::ProxySettings ProxyFromEnvironment(const std::string& scheme, const std::string& host) {
  khttp::ProxySettings proxy;
  if (HostBypassesProxy(host, ProxyVariable("no_proxy"))) return proxy;
  std::string value = ProxyVariable(scheme == "https" ? "https_proxy" : "http_proxy");
  if (value.empty()) value = ProxyVariable("all_proxy");
  if (value.empty() || !ParseProxyVariable(value, proxy)) return khttp::ProxySettings();
  return proxy;
}

bool SideHttpUsesProxy(int& error) {
  error = 0;
  for (const char* name : {"https_proxy", "http_proxy", "all_proxy"}) {
    khttp::ProxySettings proxy;
    const std::string value = ProxyVariable(name);
    if (!value.empty() && ParseProxyVariable(value, proxy)) return true;
  }
  return false;
}

// ---- error texts ---------------------------------------------------------------------------

std::string SideHttpErrorText(int code) {
  switch (code) {
    case err::kInvalidParameter:
      return "The parameter is incorrect.\r\n";
    case err::kOutOfHandles:
      return "No more handles could be generated at this time.\r\n";
    case err::kTimeout:
      return "The operation timed out\r\n";
    case err::kInvalidUrl:
      return "The URL is invalid.\r\n";
    case err::kNameNotResolved:
      return "The server name or address could not be resolved\r\n";
    case err::kOperationCancelled:
      return "The operation was canceled\r\n";
    case err::kIncorrectHandleState:
      return "The operation requested cannot be carried out because the handle supplied is not "
             "in the correct state.\r\n";
    case err::kCannotConnect:
      return "A connection with the server could not be established\r\n";
    case err::kConnectionError:
      return "The connection with the server was terminated abnormally\r\n";
    case err::kHeaderNotFound:
      return "The requested header could not be located\r\n";
    case err::kInvalidServerResponse:
      return "The server returned an invalid or unrecognized response\r\n";
    case err::kRedirectFailed:
      return "The redirection failed because either the scheme changed or all attempts made to "
             "redirect failed\r\n";
    case err::kSecureFailure:
      return "A security error occurred\r\n";
    default:
      return "";
  }
}

MessageModule SideHttpMessageModule() { return nullptr; }

std::string ModuleMessageText(MessageModule /*module*/, int code) {
  return SideHttpErrorText(code);
}

// ---- the request ---------------------------------------------------------------------------

struct SideHttp::state {
  // How the operation in flight ended; shared with its handler, which may outlive a wait that
  // ran into its time limit.
  struct outcome {
    bool done = false;
    error_code ec;
    std::size_t bytes = 0;
  };

  // Streams whose operation had not ended when they were given up; kept until the io context
  // has gone, which drops their handlers without running them.
  std::vector<std::unique_ptr<khttp::http_stream>> abandoned;
  std::unique_ptr<khttp::http_stream> stream;
  std::shared_ptr<outcome> current;
  std::vector<char> read_block;  // reads land here, never in the caller's buffer

  // The session.
  std::string agent;
  SideHttpTimeouts timeouts;
  // The connection.
  std::string host;
  int port = 0;
  // The request.
  int status = 0;
  std::string method;
  std::string path;
  khttp::RequestOptions headers;
  khttp::RequestOptions response;
  std::vector<char> pending;  // bytes a data-available query read ahead

  bool session_open = false;
  bool use_proxy = false;
  bool follow_redirects = true;
  bool connected = false;
  bool request_open = false;
  bool secure = false;
  bool sent = false;
  bool body_done = false;

  // Last, so that it goes first.
  boost::asio::io_context io;

  void DropStream() {
    if (!stream) return;
    error_code ignored;
    stream->Close(ignored);
    io.restart();
    io.poll();
    if (current && !current->done) {
      abandoned.push_back(std::move(stream));
    } else {
      stream.reset();
    }
    current.reset();
  }

  void Reset() {
    DropStream();
    sent = false;
    status = 0;
    response.Clear();
    body_done = false;
    pending.clear();
  }

  // A limit of 0 or less takes the default.
  static clock::duration Limit(int ms, int fallback) {
    return std::chrono::milliseconds(ms > 0 ? ms : fallback);
  }

  // A new outcome for the next operation.
  std::shared_ptr<outcome> Start() {
    current = std::make_shared<outcome>();
    return current;
  }

  // Runs the io context until the current operation is done, or closes the stream once
  // `deadline()` has passed; true when the operation finished in time.
  template <typename Deadline>
  bool RunUntil(Deadline deadline) {
    const std::shared_ptr<outcome> op = current;
    io.restart();
    while (!op->done) {
      const auto now = clock::now();
      const auto limit = deadline();
      if (now >= limit) {
        error_code ignored;
        stream->Close(ignored);
        // Closing ends the operation; a resolver that does not listen is given up on.
        for (int i = 0; !op->done && i < 200; ++i) {
          io.restart();
          io.run_one_for(std::chrono::milliseconds(10));
        }
        return false;
      }
      const auto slice = std::min<clock::duration>(limit - now, std::chrono::milliseconds(50));
      io.run_one_for(slice);
      if (io.stopped()) io.restart();
    }
    return true;
  }
};

SideHttp::SideHttp() : state_(std::make_unique<state>()) {}
SideHttp::~SideHttp() {
  try {
    Close();
  } catch (...) {
    // Closing never reports; the stream goes with the state.
  }
}

bool SideHttp::Fail(int error) const {
  last_error_ = error;
  return false;
}

bool SideHttp::OpenSession(const std::wstring& agent, bool use_proxy) {
  Close();
  state_->session_open = true;
  state_->agent = WideToUtf8(agent);
  state_->use_proxy = use_proxy;
  state_->timeouts = SideHttpTimeouts();
  state_->follow_redirects = true;
  return true;
}

void SideHttp::SetTimeouts(const SideHttpTimeouts& timeouts) { state_->timeouts = timeouts; }
void SideHttp::SetFollowRedirects(bool follow) { state_->follow_redirects = follow; }

bool SideHttp::Connect(const std::wstring& host, int port) {
  if (!state_->session_open) return Fail(err::kIncorrectHandleState);
  if (host.empty() || port <= 0 || port > 65535) return Fail(err::kInvalidParameter);
  state_->connected = true;
  state_->host = WideToUtf8(host);
  state_->port = port;
  return true;
}

bool SideHttp::OpenRequest(const std::wstring& method, const std::wstring& path, bool secure) {
  if (!state_->connected) return Fail(err::kIncorrectHandleState);
  state_->Reset();
  state_->request_open = true;
  state_->method = method.empty() ? "GET" : WideToUtf8(method);
  state_->path = WideToUtf8(path);
  if (state_->path.empty() || state_->path.front() != '/') state_->path.insert(0, "/");
  state_->secure = secure;
  state_->headers.Clear();
  return true;
}

bool SideHttp::AddHeaders(const std::wstring& lines) {
  if (!state_->request_open) return Fail(err::kIncorrectHandleState);
  const std::string text = WideToUtf8(lines);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line.empty()) continue;
    const auto colon = line.find(':');
    if (colon == std::string::npos || colon == 0) return Fail(err::kInvalidParameter);
    std::string name = line.substr(0, colon);
    std::string value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.erase(0, 1);
    std::string ignored;
    while (state_->headers.Find(name, ignored)) {
      // Remove is exact; find the stored spelling first.
      for (const auto& option : state_->headers.Options()) {
        if (option.first.size() == name.size() &&
            strncasecmp(option.first.c_str(), name.c_str(), name.size()) == 0) {
          state_->headers.Remove(option.first);
          break;
        }
      }
    }
    state_->headers.Insert(name, value);
  }
  return true;
}

bool SideHttp::Send(const std::string& body) {
  auto& s = *state_;
  if (!s.request_open || s.sent) return Fail(err::kIncorrectHandleState);
  std::string host = s.host;
  if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]";
  const std::string url_text = std::string(s.secure ? "https" : "http") + "://" + host + ":" +
                               std::to_string(s.port) + s.path;
  error_code ec;
  const auto url = khttp::ParsedUrl::FromString(url_text, ec);
  if (ec) return Fail(err::kInvalidUrl);

  khttp::RequestOptions options;
  options.Insert(khttp::http_options::kRequestMethod, s.method);
  if (!s.agent.empty()) options.Insert(khttp::http_options::kUserAgent, s.agent);
  options.Insert(khttp::http_options::kConnection, "close");
  for (const auto& header : s.headers.Options()) {
    if (header.first == khttp::http_options::kUserAgent ||
        header.first == khttp::http_options::kConnection) {
      options.Remove(header.first);
    }
    options.Insert(header.first, header.second);
  }
  if (!body.empty() || s.method == "POST") options.Insert(khttp::http_options::kRequestBody, body);

  s.stream = std::make_unique<khttp::http_stream>(s.io);
  s.stream->SetRequestOptions(options);
  s.stream->SetMaxRedirects(s.follow_redirects ? 10 : 0);
  s.stream->SetCheckCertificate(true);
  if (s.use_proxy) s.stream->SetProxy(ProxyFromEnvironment(url.Protocol(), url.Host()));

  auto op = s.Start();
  s.stream->AsyncOpen(url, [op](const error_code& open_ec) {
    op->ec = open_ec;
    op->done = true;
  });
  auto stage = s.stream->Stage();
  auto stage_start = clock::now();
  const auto& t = s.timeouts;
  const bool in_time = s.RunUntil([&] {
    const auto now_stage = s.stream->Stage();
    if (now_stage != stage) {
      stage = now_stage;
      stage_start = clock::now();
    }
    if (stage == khttp::http_stream::open_stage::exchange) {
      return stage_start + state::Limit(t.send_ms, 30000) + state::Limit(t.receive_ms, 30000);
    }
    return stage_start + std::chrono::milliseconds(std::max(t.resolve_ms, 0)) +
           state::Limit(t.connect_ms, 60000);
  });
  if (!in_time) {
    s.DropStream();
    return Fail(err::kTimeout);
  }
  const error_code result = op->ec;
  const bool redirect_kept =
      !s.follow_redirects && IsHttpStatus(result) &&
      (result.value() == khttp::http_status::kMovedPermanently ||
       result.value() == khttp::http_status::kFound || result.value() == 303 ||
       result.value() == 307 || result.value() == 308);
  if (result && !IsHttpStatus(result)) {
    const int error = MapOpenError(result, s.stream->Stage());
    s.DropStream();
    return Fail(error);
  }
  s.sent = true;
  s.status = s.stream->StatusCode();
  s.response = s.stream->ResponseOptions();
  if (redirect_kept || s.method == "HEAD" || !s.stream->IsOpen()) s.body_done = true;
  return true;
}

bool SideHttp::ReceiveResponse() {
  if (!state_->sent) return Fail(err::kIncorrectHandleState);
  return true;
}

bool SideHttp::QueryStatus(int& status) const {
  if (!state_->sent) return false;
  status = state_->status;
  return true;
}

bool SideHttp::QueryContentLength(std::uint64_t& length) const {
  std::string value;
  if (!state_->sent) return Fail(err::kIncorrectHandleState);
  if (!state_->response.Find(khttp::http_options::kContentLength, value) || value.empty() ||
      value.find_first_not_of("0123456789") != std::string::npos || value.size() > 19) {
    return Fail(err::kHeaderNotFound);
  }
  length = std::strtoull(value.c_str(), nullptr, 10);
  return true;
}

bool SideHttp::QueryLocation(std::wstring& location) const {
  std::string value;
  if (!state_->sent) return Fail(err::kIncorrectHandleState);
  if (!state_->response.Find("Location", value)) {
    return Fail(err::kHeaderNotFound);
  }
  location = Utf8ToWide(value);
  return true;
}

bool SideHttp::QueryDataAvailable(std::size_t& available) {
  auto& s = *state_;
  if (!s.sent) return Fail(err::kIncorrectHandleState);
  if (s.pending.empty() && !s.body_done) {
    std::vector<char> block(8192);
    std::size_t read = 0;
    if (!ReadData(block.data(), block.size(), read)) return false;
    block.resize(read);
    s.pending = std::move(block);
  }
  available = s.pending.size();
  return true;
}

bool SideHttp::ReadData(void* buffer, std::size_t size, std::size_t& read) {
  auto& s = *state_;
  read = 0;
  if (!s.sent) return Fail(err::kIncorrectHandleState);
  if (size == 0) return true;
  if (!s.pending.empty()) {
    read = std::min(size, s.pending.size());
    std::memcpy(buffer, s.pending.data(), read);
    s.pending.erase(s.pending.begin(), s.pending.begin() + static_cast<std::ptrdiff_t>(read));
    return true;
  }
  if (s.body_done) return true;
  s.read_block.resize(std::min<std::size_t>(size, std::size_t{64} * 1024));
  auto op = s.Start();
  s.stream->AsyncReadSome(boost::asio::buffer(s.read_block),
                          [op](const error_code& read_ec, std::size_t bytes) {
                            op->ec = read_ec;
                            op->bytes = bytes;
                            op->done = true;
                          });
  const auto deadline = clock::now() + state::Limit(s.timeouts.receive_ms, 30000);
  if (!s.RunUntil([&] { return deadline; })) {
    s.body_done = true;
    s.DropStream();
    return Fail(err::kTimeout);
  }
  if (op->bytes > 0) {
    read = std::min(op->bytes, size);
    std::memcpy(buffer, s.read_block.data(), read);
    return true;
  }
  s.body_done = true;
  if (!op->ec || op->ec == boost::asio::error::eof) return true;
  return Fail(err::kConnectionError);
}

void SideHttp::Close() {
  state_->Reset();
  state_->request_open = false;
  state_->connected = false;
  state_->session_open = false;
}

bool SideHttp::IsSessionOpen() const { return state_->session_open; }
bool SideHttp::IsConnected() const { return state_->connected; }
bool SideHttp::IsRequestOpen() const { return state_->request_open; }

}  // namespace platform
