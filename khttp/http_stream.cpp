// http_stream: construction, the blocking operations and the steps both forms share. The
// asynchronous operations are in http_stream_async.cpp.
#include "khttp/http_stream.h"

#include <algorithm>
#include <boost/asio/error.hpp>
#include <boost/system/system_error.hpp>
#include <cstring>

#include "khttp/ascii.h"
#include "khttp/http_error.h"
#include "khttp/http_response_parser.h"
#include "khttp/http_stream_connection.h"
#include "khttp/proxy_tunnel.h"
#include "khttp/redirect.h"
#include "khttp/response_head_reader.h"
#include "khttp/socks.h"
#include "khttp/tcp_transport.h"
#include "khttp/tls.h"

namespace khttp {
namespace {

namespace asio_error = boost::asio::error;
using boost::system::error_code;

bool IsSocks(ProxyKind kind) {
  return kind == ProxyKind::Socks4 || kind == ProxyKind::Socks5 || kind == ProxyKind::Socks5Auth;
}

bool IsHttpProxy(ProxyKind kind) {
  return kind == ProxyKind::HttpProxy || kind == ProxyKind::HttpProxyAuth;
}

bool IsKnownKind(ProxyKind kind) {
  return kind == ProxyKind::Direct || IsSocks(kind) || IsHttpProxy(kind);
}

}  // namespace

http_stream::http_stream(boost::asio::io_context& io)
    : http_stream(io, std::shared_ptr<tls_context>()) {}

http_stream::http_stream(boost::asio::io_context& io, std::shared_ptr<tls_context> tls)
    : http_stream(
          io, [&io] { return std::make_shared<tcp_transport>(io); }, std::move(tls)) {}

http_stream::http_stream(boost::asio::io_context& io, transport_factory factory,
                         std::shared_ptr<tls_context> tls)
    : io_(io),
      factory_(std::move(factory)),
      tls_(std::move(tls)),
      anchor_(std::make_shared<stream_anchor>(stream_anchor{this})) {
  char* begin = get_area_ + kPutBack;
  setg(begin, begin, begin);
}

// Pending operations learn that the stream is gone before closing wakes them.
http_stream::~http_stream() {
  anchor_->stream = nullptr;
  CloseConnection();
}

// ---- open ------------------------------------------------------------------------------------

bool http_stream::PrepareOpen(const ParsedUrl& url, bool first_hop, error_code& ec) {
  ec.clear();
  if (url_.ToString().empty()) entry_url_ = url;
  protocol_ = url.Protocol();
  url_ = url;
  content_type_.clear();
  status_code_ = 0;
  content_length_ = -1;
  if (first_hop) location_.clear();
  body_kind_ = body_kind::none;
  body_read_ = 0;
  kept_read_error_.clear();
  char* begin = get_area_ + kPutBack;
  setg(begin, begin, begin);
  CloseConnection();
  if (protocol_ != "http" && protocol_ != "https") {
    ec = asio_error::operation_not_supported;
    return false;
  }
  if (!IsKnownKind(proxy_.kind)) {
    ec = asio_error::operation_not_supported;
    return false;
  }
  stage_ = open_stage::connect;
  connection_ = std::make_shared<connection_state>();
  connection_->socket = factory_();
  connection_->top = connection_->socket;
  return true;
}

bool http_stream::ViaHttpProxy() const { return IsHttpProxy(proxy_.kind) && protocol_ != "https"; }

void http_stream::ConnectBlocking(error_code& ec) {
  socket_transport& socket = *connection_->socket;
  if (proxy_.kind == ProxyKind::Direct) {
    socket.Connect(url_.Host(), url_.Port(), ec);
  } else {
    socket.Connect(proxy_.hostname, proxy_.port, ec);
  }
  if (ec) return;
  if (proxy_.kind != ProxyKind::Direct) stage_ = open_stage::proxy;
  if (IsSocks(proxy_.kind)) {
    SocksHandshake(socket, proxy_, url_.Host(), url_.Port(), ec);
  } else if (IsHttpProxy(proxy_.kind) && protocol_ == "https") {
    const std::string request = BuildConnectRequest(url_, proxy_, request_options_);
    Trace(head_direction::sent, request);
    tunnel_answer answer;
    OpenTunnel(socket, request, answer, ec);
    TakeTunnelAnswer(answer);
  }
  if (ec || protocol_ != "https") return;
  stage_ = open_stage::tls;
  const auto session = StartTls(ec);
  if (!ec) TlsHandshake(*session, ec);
}

// Puts a TLS session over the connection. Fails, before a byte is sent, when the session cannot
// be told what name to send and check.
std::shared_ptr<tls_transport> http_stream::StartTls(error_code& ec) {
  if (!tls_) tls_ = MakeTlsContext();
  auto session = MakeTlsTransport(connection_->socket, url_.Host(), check_certificate_, tls_, ec);
  if (ec) return nullptr;
  connection_->top = AsTransport(session);
  return session;
}

void http_stream::TakeTunnelAnswer(const tunnel_answer& answer) {
  if (answer.raw_head.empty()) return;
  Trace(head_direction::received, answer.raw_head);
  status_code_ = answer.head.line.status;
  response_options_.Clear();
  response_options_.Insert(http_options::kStatusCode, std::to_string(status_code_));
  for (const auto& header : answer.head.headers.Options()) {
    response_options_.Insert(header.first, header.second);
  }
}

bool http_stream::IsRedirect(const error_code& ec) {
  return ec.category() == http_category() &&
         (ec.value() == http_status::kMovedPermanently || ec.value() == http_status::kFound);
}

// After a 301/302: closes the connection and decides whether to follow. False leaves the error
// to return in `ec`: the 301/302 itself past the limit, or why the target is refused.
bool http_stream::FollowRedirect(ParsedUrl& next, error_code& ec) {
  CloseConnection();
  ++redirect_count_;
  if (redirect_count_ > max_redirects_) return false;
  error_code parse_error;
  next = ParsedUrl::FromString(location_, parse_error);
  if (parse_error) {
    ec = http_error::invalid_redirect;
    return false;
  }
  if (protocol_ == "https" && next.Protocol() != "https") {
    ec = http_error::insecure_redirect;
    return false;
  }
  return true;
}

void http_stream::Open(const ParsedUrl& url, error_code& ec) {
  ParsedUrl target = url;
  for (bool first_hop = true;; first_hop = false) {
    if (PrepareOpen(target, first_hop, ec)) {
      ConnectBlocking(ec);
      if (!ec) {
        stage_ = open_stage::exchange;
        Request(request_options_, ec);
      }
    }
    if (!IsRedirect(ec) || !FollowRedirect(target, ec)) break;
  }
  redirect_count_ = 0;
}

// ---- request ---------------------------------------------------------------------------------

bool http_stream::BuildRequestBytes(const RequestOptions& options, request_form form,
                                    error_code& ec) {
  sent_options_.Clear();
  keep_alive_ = true;
  body_kind_ = body_kind::none;
  body_read_ = 0;
  request_route route;
  route.url = url_;
  route.proxy = proxy_;
  route.via_http_proxy = ViaHttpProxy();
  route.cookie = cookies_.BuildCookieHeader(protocol_ == "https");
  built_request built = BuildRequest(options, route, form, ec);
  if (ec) return false;
  url_ = built.url;
  sent_options_ = built.sent;
  sent_method_ = built.method;
  asks_close_ = built.asks_close;
  connection_->request = built.head + built.body;
  Trace(head_direction::sent, built.head);
  return true;
}

bool http_stream::FakesContinue(const RequestOptions& options) const {
  return options.FakeContinue() || request_options_.FakeContinue();
}

void http_stream::Request(const RequestOptions& options, error_code& ec) {
  ec.clear();
  if (!IsOpen()) {
    ec = asio_error::network_reset;
    return;
  }
  if (!BuildRequestBytes(options, request_form::blocking, ec)) return;
  WriteAll(*connection_->top, connection_->request, ec);
  if (ec) return;
  if (FakesContinue(options)) {
    ec = http_error::fake_continue;
    return;
  }
  ReceiveHeader(ec);
}

void http_stream::ReceiveHeader(error_code& ec) {
  ec.clear();
  if (!IsOpen()) {
    ec = asio_error::network_reset;
    return;
  }
  connection_->received.clear();
  for (;;) {
    std::size_t head_size = 0;
    ReadResponseHead(*connection_->top, connection_->received, head_size, ec);
    if (ec) return;
    if (TakeResponseHead(head_size, ec) == head_outcome::done) return;
  }
}

// Consumes one whole head from the received bytes and takes it into the stream's state.
http_stream::head_outcome http_stream::TakeResponseHead(std::size_t head_size, error_code& ec) {
  std::string& received = connection_->received;
  const std::string raw(received, 0, head_size);
  received.erase(0, head_size);
  Trace(head_direction::received, raw);
  response_head head;
  ec = ParseResponseHead(raw, head);
  if (ec) return head_outcome::done;
  const int status = head.line.status;
  // Interim answers: 100 Continue, 102, 103. 101 would switch protocols and is an error here.
  if (status >= 100 && status < 200 && status != 101) {
    if (status == http_status::kContinue && sent_method_ == "POST") {
      ec = make_status_error(status);
      return head_outcome::done;
    }
    return head_outcome::interim;
  }
  status_code_ = status;
  response_options_.Clear();
  response_options_.Insert(http_options::kStatusCode, std::to_string(status));
  for (const auto& header : head.headers.Options()) {
    response_options_.Insert(header.first, header.second);
  }
  const header_facts& facts = head.facts;
  if (!facts.content_type.empty()) content_type_ = facts.content_type;
  content_length_ = std::max({content_length_, facts.content_length, facts.range_total});
  if (!facts.location.empty()) location_ = ResolveLocation(url_, facts.location);
  if (asks_close_ || facts.connection_close) keep_alive_ = false;
  SetUpBody(head);
  for (const auto& header : head.headers.Options()) {
    if (LowerAscii(header.first) == "set-cookie") cookies_.AddSetCookie(header.second);
  }
  if (status != http_status::kOk && status != http_status::kPartialContent) {
    ec = make_status_error(status);
  }
  // A part of the file where the whole was asked for must not pass for the whole: its body is
  // refused, and the connection, with that body unread, carries nothing more.
  std::string range;
  if (status == http_status::kPartialContent && !sent_options_.Find(http_options::kRange, range)) {
    ec = http_error::unrequested_partial_content;
    Failed(ec);
    keep_alive_ = false;
  }
  return head_outcome::done;
}

// How the body of this response ends: no body (HEAD, 204, 304), chunked, a known length, or
// the end of the connection (which then cannot carry another request).
void http_stream::SetUpBody(const response_head& head) {
  const int status = head.line.status;
  body_read_ = 0;
  body_error_.clear();
  chunk_remaining_ = 0;
  chunk_phase_ = chunk_phase::size_line;
  body_length_ = -1;
  if (sent_method_ == "HEAD" || status == 204 || status == 304) {
    body_kind_ = body_kind::none;
  } else if (head.facts.chunked) {
    body_kind_ = body_kind::chunked;
  } else if (head.facts.content_length >= 0) {
    body_kind_ = body_kind::identity;
    body_length_ = head.facts.content_length;
  } else {
    body_kind_ = body_kind::until_close;
    keep_alive_ = false;
  }
}

// ---- body ------------------------------------------------------------------------------------

error_code http_stream::EndOfBody() const {
  return keep_alive_ ? error_code() : error_code(asio_error::eof);
}

http_stream::body_step http_stream::Failed(const error_code& ec) {
  body_kind_ = body_kind::failed;
  body_error_ = ec;
  return {body_step::action::finish, 0, ec};
}

// Decides the next move of a body read of up to `wanted` bytes, taking the framing lines of a
// chunked body that are already received.
http_stream::body_step http_stream::NextBodyStep(std::size_t wanted) {
  using action = body_step::action;
  auto data_step = [&](std::uint64_t limit) -> body_step {
    const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, limit));
    const std::size_t buffered = connection_->received.size();
    if (buffered > 0) return {action::copy_buffered, std::min(size, buffered), {}};
    return {action::read_direct, size, {}};
  };
  switch (body_kind_) {
    case body_kind::none:
      return {action::finish, 0, EndOfBody()};
    case body_kind::failed:
      return {action::finish, 0, body_error_};
    case body_kind::identity: {
      const std::uint64_t remaining = static_cast<std::uint64_t>(body_length_) - body_read_;
      if (remaining == 0) return {action::finish, 0, EndOfBody()};
      return data_step(remaining);
    }
    case body_kind::until_close:
      return data_step(wanted);
    case body_kind::chunked:
      break;
  }
  std::string& received = connection_->received;
  for (;;) {
    switch (chunk_phase_) {
      case chunk_phase::data:
        return data_step(chunk_remaining_);
      case chunk_phase::data_end:
        if (received.size() < 2) return {action::read_more, 0, {}};
        if (received.compare(0, 2, "\r\n") != 0)
          return Failed(http_error::invalid_chunked_encoding);
        received.erase(0, 2);
        chunk_phase_ = chunk_phase::size_line;
        break;
      case chunk_phase::size_line:
      case chunk_phase::trailer: {
        const auto end = received.find("\r\n");
        if (end == std::string::npos) {
          if (received.size() > kMaxChunkLine) return Failed(http_error::invalid_chunked_encoding);
          return {action::read_more, 0, {}};
        }
        const std::string line = received.substr(0, end);
        received.erase(0, end + 2);
        if (chunk_phase_ == chunk_phase::trailer) {
          if (line.empty()) chunk_phase_ = chunk_phase::done;  // trailer fields are dropped
          break;
        }
        std::uint64_t size = 0;
        if (!ParseChunkSizeLine(line, size)) return Failed(http_error::invalid_chunked_encoding);
        chunk_remaining_ = size;
        chunk_phase_ = size == 0 ? chunk_phase::trailer : chunk_phase::data;
        break;
      }
      case chunk_phase::done:
        return {action::finish, 0, EndOfBody()};
    }
  }
}

std::size_t http_stream::CopyBuffered(const boost::asio::mutable_buffer& buffer, std::size_t size) {
  std::string& received = connection_->received;
  std::memcpy(buffer.data(), received.data(), size);
  received.erase(0, size);
  CountBody(size);
  return size;
}

void http_stream::CountBody(std::size_t bytes) {
  body_read_ += bytes;
  if (body_kind_ != body_kind::chunked) return;
  chunk_remaining_ -= bytes;
  if (chunk_remaining_ == 0) chunk_phase_ = chunk_phase::data_end;
}

// A read error inside the body. The end of the connection is the normal end of a body that runs
// until the close; anywhere else it cut the body short.
error_code http_stream::BodyReadError(const error_code& ec) {
  const bool end = ec == asio_error::eof || ec == asio_error::shut_down;
  if (!end) return ec;
  if (body_kind_ == body_kind::until_close) return asio_error::eof;
  return Failed(http_error::body_truncated).ec;
}

std::size_t http_stream::ReadSome(const boost::asio::mutable_buffer& buffer, error_code& ec) {
  ec.clear();
  if (buffer.size() == 0) return 0;
  if (!connection_) {
    ec = asio_error::network_reset;
    return 0;
  }
  for (;;) {
    const body_step step = NextBodyStep(buffer.size());
    switch (step.what) {
      case body_step::action::finish:
        ec = step.ec;
        return 0;
      case body_step::action::copy_buffered:
        return CopyBuffered(buffer, step.size);
      case body_step::action::read_direct: {
        const std::size_t bytes =
            connection_->top->ReadSome(boost::asio::buffer(buffer.data(), step.size), ec);
        if (ec) {
          ec = BodyReadError(ec);
          return 0;
        }
        CountBody(bytes);
        return bytes;
      }
      case body_step::action::read_more: {
        std::string& received = connection_->received;
        const std::size_t kept = received.size();
        received.resize(kept + kFramingRead);
        const std::size_t bytes =
            connection_->top->ReadSome(boost::asio::buffer(&received[kept], kFramingRead), ec);
        received.resize(kept + bytes);
        if (ec) {
          ec = BodyReadError(ec);
          return 0;
        }
        break;
      }
    }
  }
}

// ---- closing, tracing, streambuf -------------------------------------------------------------

void http_stream::CloseConnection() {
  if (!connection_) return;
  error_code ignored;
  connection_->top->Close(ignored);
  connection_.reset();
}

void http_stream::Close(error_code& ec) {
  ec.clear();
  if (!connection_) return;
  if (connection_->top->IsOpen()) connection_->top->Close(ec);
  connection_.reset();
  content_type_.clear();
  location_.clear();
  protocol_.clear();
  body_kind_ = body_kind::none;
}

bool http_stream::IsOpen() const { return connection_ && connection_->top->IsOpen(); }

void http_stream::Trace(head_direction direction, const std::string& head) const {
  if (trace_) trace_(direction, head);
}

// The get area holds up to 8 body bytes behind up to 8 bytes kept for putting back.
std::streambuf::int_type http_stream::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  if (kept_read_error_) {
    if (kept_read_error_ == asio_error::eof) return traits_type::eof();
    throw boost::system::system_error(kept_read_error_);
  }
  const std::size_t put_back =
      std::min<std::size_t>(kPutBack, static_cast<std::size_t>(gptr() - eback()));
  std::memmove(get_area_ + kPutBack - put_back, gptr() - put_back, put_back);
  char* begin = get_area_ + kPutBack;
  error_code ec;
  const std::size_t bytes = ReadSome(boost::asio::buffer(begin, kGetArea), ec);
  if (bytes == 0) {
    setg(begin - put_back, begin, begin);
    // A failure is raised rather than passed off as the end of the body.
    if (ec && ec != asio_error::eof) throw boost::system::system_error(ec);
    return traits_type::eof();
  }
  kept_read_error_ = ec;
  setg(begin - put_back, begin, begin + bytes);
  return traits_type::to_int_type(*begin);
}

}  // namespace khttp
