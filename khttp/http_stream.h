// One HTTP/1.1 client connection to one origin server, directly or through a proxy, with TLS
// for https, blocking and asynchronous.
#pragma once

#include <boost/asio/buffer.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/system/error_code.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <streambuf>
#include <string>

#include "khttp/cookie_jar.h"
#include "khttp/http_request.h"
#include "khttp/parsed_url.h"
#include "khttp/proxy_settings.h"
#include "khttp/request_options.h"
#include "khttp/transport.h"

namespace khttp {

struct response_head;
struct tunnel_answer;
class tls_transport;
class tls_context;

/// http_stream opens a URL (following 301 and 302 redirects up to a limit), sends requests built
/// from option lists, reads the response head and hands out the body, identity or chunked. Every
/// operation exists blocking (error code out) and asynchronous (handler run by the io context;
/// never from inside the starting call). The stream keeps no time limits: a caller that needs
/// one closes the stream from its own timer.
///
/// A stream is used by one thread at a time, and at most one asynchronous operation is pending
/// on it. Close ends a pending operation (its handler gets operation_aborted), also an open that
/// is still resolving or connecting; so does destroying the stream: a pending operation owns
/// its connection and buffers and never touches a stream that is gone. The memory given to a
/// pending read must live until its handler runs.
///
/// https is verified by default: the server's chain against the system's trust store
/// (SSL_CERT_FILE is honoured) and its name against the URL's host. A redirect from https to
/// plain http is refused (http_error::insecure_redirect). The trust store is loaded once per
/// TLS context: a stream makes its own on its first https connection and keeps it for later
/// ones; streams built on a shared context (one per download) load it once between them.
///
/// It is also a read-only std::streambuf over the body.
class http_stream : public std::streambuf {
 public:
  using open_handler = std::function<void(const boost::system::error_code&)>;
  using read_handler = std::function<void(const boost::system::error_code&, std::size_t)>;

  /// Heads as they go out and come in (requests, responses, CONNECT exchanges), for tracing.
  enum class head_direction { sent, received };
  using trace_handler = std::function<void(head_direction, const std::string&)>;

  explicit http_stream(boost::asio::io_context& io);
  /// A stream whose https connections use `tls` (see MakeTlsContext), shared with other streams.
  http_stream(boost::asio::io_context& io, std::shared_ptr<tls_context> tls);
  /// A stream whose connections start on the transports `factory` makes (tests: memory).
  http_stream(boost::asio::io_context& io, transport_factory factory,
              std::shared_ptr<tls_context> tls = nullptr);
  ~http_stream() override;
  http_stream(const http_stream&) = delete;
  http_stream& operator=(const http_stream&) = delete;

  /// Connects (through the proxy, with TLS for https), sends a request built from the stored
  /// request options, reads the response head and follows redirects. A status other than 200
  /// and 206 is that status in category "HTTP", with the head parsed and the connection left
  /// open. A redirect beyond the limit returns its 301/302 with the connection closed; a
  /// Location that is no URL gives http_error::invalid_redirect.
  void Open(const ParsedUrl& url, boost::system::error_code& ec);
  void AsyncOpen(const ParsedUrl& url, open_handler handler);

  /// Sends one more request on the open connection (after a complete body on a kept-alive
  /// connection) and reads its head. network_reset when the connection is not open.
  void Request(const RequestOptions& options, boost::system::error_code& ec);
  void AsyncRequest(const RequestOptions& options, open_handler handler);

  /// Reads the next response head on the open connection. 100 Continue to a POST ends with
  /// status error 100 (send the body, then call again); other interim answers are skipped.
  void ReceiveHeader(boost::system::error_code& ec);

  /// Body bytes into `buffer`. At the end of the body: 0 bytes, and no error when the connection
  /// stays usable for another request, eof when it does not. A connection that ends before a
  /// body of known length (or before the last chunk) is http_error::body_truncated; broken chunk
  /// framing is http_error::invalid_chunked_encoding. Bytes past the body are never handed out.
  std::size_t ReadSome(const boost::asio::mutable_buffer& buffer, boost::system::error_code& ec);
  void AsyncReadSome(const boost::asio::mutable_buffer& buffer, read_handler handler);

  /// The same for a buffer sequence: its first non-empty buffer is filled.
  template <typename MutableBuffers>
  std::size_t ReadSome(const MutableBuffers& buffers, boost::system::error_code& ec) {
    return ReadSome(FirstBuffer(buffers), ec);
  }
  template <typename MutableBuffers>
  void AsyncReadSome(const MutableBuffers& buffers, read_handler handler) {
    AsyncReadSome(FirstBuffer(buffers), std::move(handler));
  }

  /// Closes the connection (reporting the close error) and drops unread bytes, content type,
  /// location and protocol. URLs, options, proxy, redirect limit and cookies stay, so the
  /// stream can be opened again.
  void Close(boost::system::error_code& ec);
  bool IsOpen() const;

  /// The options `Open` builds its request from (the fake-continue flag included).
  void SetRequestOptions(const RequestOptions& options) { request_options_ = options; }
  const RequestOptions& RequestOptionsStored() const { return request_options_; }
  /// The options of the last request as sent, "_path" holding the request target.
  const RequestOptions& SentOptions() const { return sent_options_; }
  /// The last response's headers in order, after ("_status_code", status).
  RequestOptions ResponseOptions() const { return response_options_; }
  void SetProxy(const ProxySettings& proxy) { proxy_ = proxy; }
  /// 0 follows no redirect.
  void SetMaxRedirects(unsigned max_redirects) { max_redirects_ = max_redirects; }
  /// True by default; false trusts any certificate (a tool's --insecure).
  void SetCheckCertificate(bool check) { check_certificate_ = check; }
  void SetTrace(trace_handler trace) { trace_ = std::move(trace); }

  /// The last Location value, made absolute.
  const std::string& Location() const { return location_; }
  /// The current URL (after redirects).
  const ParsedUrl& FinalUrl() const { return url_; }
  /// The URL of the stream's first open.
  const ParsedUrl& EntryUrl() const { return entry_url_; }
  /// The larger of the Content-Length values and Content-Range totals seen since the last
  /// open (so a ranged answer tells the whole size); -1 when unknown.
  std::int64_t ContentLength() const { return content_length_; }
  const std::string& ContentType() const { return content_type_; }
  /// The last response's status; 0 while opening, -1 before the first open.
  int StatusCode() const { return status_code_; }
  /// How far the last open got, so that a failure can be told apart: reaching the server (or
  /// the proxy), the proxy's handshake or tunnel, the TLS handshake, or the HTTP exchange.
  enum class open_stage { none, connect, proxy, tls, exchange };
  open_stage Stage() const { return stage_; }
  /// Whether the connection can carry another request after this body.
  bool KeepAlive() const { return keep_alive_; }
  CookieJar& Cookies() { return cookies_; }

 protected:
  int_type underflow() override;

 private:
  struct connection_state;
  // What pending operations hold to learn whether their stream still exists.
  struct stream_anchor {
    http_stream* stream;
  };
  class open_op;
  class request_op;
  class read_op;

  enum class body_kind { none, identity, until_close, chunked, failed };
  enum class chunk_phase { size_line, data, data_end, trailer, done };
  // What a body read does next.
  struct body_step {
    enum class action { finish, copy_buffered, read_direct, read_more } what;
    std::size_t size = 0;
    boost::system::error_code ec;
  };
  enum class head_outcome { done, interim };

  template <typename MutableBuffers>
  static boost::asio::mutable_buffer FirstBuffer(const MutableBuffers& buffers) {
    for (auto it = boost::asio::buffer_sequence_begin(buffers);
         it != boost::asio::buffer_sequence_end(buffers); ++it) {
      boost::asio::mutable_buffer buffer(*it);
      if (buffer.size() > 0) return buffer;
    }
    return {};
  }

  // Open steps shared by both forms.
  bool PrepareOpen(const ParsedUrl& url, bool first_hop, boost::system::error_code& ec);
  bool ViaHttpProxy() const;
  void ConnectBlocking(boost::system::error_code& ec);
  std::shared_ptr<tls_transport> StartTls(boost::system::error_code& ec);
  void TakeTunnelAnswer(const tunnel_answer& answer);
  bool FollowRedirect(ParsedUrl& next, boost::system::error_code& ec);
  static bool IsRedirect(const boost::system::error_code& ec);

  // Request steps shared by both forms.
  bool BuildRequestBytes(const RequestOptions& options, request_form form,
                         boost::system::error_code& ec);
  bool FakesContinue(const RequestOptions& options) const;
  head_outcome TakeResponseHead(std::size_t head_size, boost::system::error_code& ec);
  void SetUpBody(const response_head& head);

  // Body steps shared by both forms.
  body_step NextBodyStep(std::size_t wanted);
  std::size_t CopyBuffered(const boost::asio::mutable_buffer& buffer, std::size_t size);
  void CountBody(std::size_t bytes);
  boost::system::error_code EndOfBody() const;
  boost::system::error_code BodyReadError(const boost::system::error_code& ec);
  body_step Failed(const boost::system::error_code& ec);

  void Trace(head_direction direction, const std::string& head) const;
  void CloseConnection();

  boost::asio::io_context& io_;
  transport_factory factory_;
  std::shared_ptr<tls_context> tls_;  // made on the first https connection unless given
  std::shared_ptr<stream_anchor> anchor_;
  std::shared_ptr<connection_state> connection_;
  bool check_certificate_ = true;
  RequestOptions request_options_;
  RequestOptions sent_options_;
  RequestOptions response_options_;
  ProxySettings proxy_;
  std::string protocol_;
  ParsedUrl url_;
  ParsedUrl entry_url_;
  bool keep_alive_ = true;
  bool asks_close_ = false;
  std::string sent_method_;
  int status_code_ = -1;
  open_stage stage_ = open_stage::none;
  unsigned redirect_count_ = 0;
  unsigned max_redirects_ = 5;
  std::string content_type_;
  std::int64_t content_length_ = 0;
  std::string location_;

  body_kind body_kind_ = body_kind::none;
  std::int64_t body_length_ = -1;  // identity: this response's Content-Length
  std::uint64_t body_read_ = 0;
  chunk_phase chunk_phase_ = chunk_phase::size_line;
  std::uint64_t chunk_remaining_ = 0;
  boost::system::error_code body_error_;  // kept once the framing broke

  // Framing lines of a chunked body are read in pieces of this size.
  static constexpr std::size_t kFramingRead = 4096;
  static constexpr std::size_t kPutBack = 8;
  static constexpr std::size_t kGetArea = 8;
  char get_area_[kPutBack + kGetArea] = {};
  boost::system::error_code kept_read_error_;

  CookieJar cookies_;
  trace_handler trace_;
};

}  // namespace khttp
