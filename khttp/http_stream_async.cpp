// The asynchronous operations of http_stream, each a chain of named steps. Every step checks its
// error first and returns at once on failure; after a success it checks that its connection is
// still the stream's (Close, or a new open, abandons it) before it touches the stream. Every
// step runs on the thread that runs the io context.
#include <boost/asio/error.hpp>
#include <boost/asio/post.hpp>

#include "khttp/http_error.h"
#include "khttp/http_stream.h"
#include "khttp/http_stream_connection.h"
#include "khttp/proxy_tunnel.h"
#include "khttp/response_head_reader.h"
#include "khttp/socks.h"
#include "khttp/tls.h"

namespace khttp {

namespace asio_error = boost::asio::error;
using boost::system::error_code;

// ---- request ---------------------------------------------------------------------------------

// start -> on_written -> read_head -> on_head (again after an interim answer).
class http_stream::request_op : public std::enable_shared_from_this<request_op> {
 public:
  request_op(http_stream& stream, open_handler handler)
      : io_(stream.io_),
        anchor_(stream.anchor_),
        stream_(stream),
        connection_(stream.connection_),
        handler_(std::move(handler)) {}

  void start(const RequestOptions& options) {
    error_code ec;
    if (!stream_.IsOpen()) return post(asio_error::network_reset);
    if (!stream_.BuildRequestBytes(options, request_form::asynchronous, ec)) return post(ec);
    fake_continue_ = stream_.FakesContinue(options);
    AsyncWriteAll(connection_->top, connection_->request,
                  [self = shared_from_this()](const error_code& ec) { self->on_written(ec); });
  }

 private:
  // Whether the stream still exists and still runs on this operation's connection.
  bool current() const { return anchor_->stream && anchor_->stream->connection_ == connection_; }

  void post(const error_code& ec) {
    boost::asio::post(io_, [self = shared_from_this(), ec] { self->handler_(ec); });
  }

  void on_written(const error_code& ec) {
    if (ec) return handler_(ec);
    if (!current()) return handler_(asio_error::operation_aborted);
    if (fake_continue_) return handler_(http_error::fake_continue);
    connection_->received.clear();
    read_head();
  }

  void read_head() {
    AsyncReadResponseHead(connection_->top, connection_->received,
                          [self = shared_from_this()](const error_code& ec, std::size_t head_size) {
                            self->on_head(ec, head_size);
                          });
  }

  void on_head(const error_code& ec, std::size_t head_size) {
    if (ec) return handler_(ec);
    if (!current()) return handler_(asio_error::operation_aborted);
    error_code result;
    if (stream_.TakeResponseHead(head_size, result) == head_outcome::interim) return read_head();
    handler_(result);
  }

  boost::asio::io_context& io_;
  std::shared_ptr<stream_anchor> anchor_;
  http_stream& stream_;  // touched only while current()
  std::shared_ptr<connection_state> connection_;
  open_handler handler_;
  bool fake_continue_ = false;
};

void http_stream::AsyncRequest(const RequestOptions& options, open_handler handler) {
  std::make_shared<request_op>(*this, std::move(handler))->start(options);
}

// ---- open ------------------------------------------------------------------------------------

// start -> on_connect -> [on_socks_handshake | on_tunnel] -> [on_tls_handshake] -> on_response,
// and from there back to start for a redirect that is followed.
class http_stream::open_op : public std::enable_shared_from_this<open_op> {
 public:
  open_op(http_stream& stream, open_handler handler)
      : io_(stream.io_), anchor_(stream.anchor_), stream_(stream), handler_(std::move(handler)) {}

  void start(const ParsedUrl& url, bool first_hop) {
    error_code ec;
    if (!stream_.PrepareOpen(url, first_hop, ec)) {
      stream_.redirect_count_ = 0;
      boost::asio::post(io_, [self = shared_from_this(), ec] { self->handler_(ec); });
      return;
    }
    connection_ = stream_.connection_;
    const ProxySettings& proxy = stream_.proxy_;
    const bool direct = proxy.kind == ProxyKind::Direct;
    connection_->socket->AsyncConnect(
        direct ? url.Host() : proxy.hostname, direct ? url.Port() : proxy.port,
        [self = shared_from_this()](const error_code& ec) { self->on_connect(ec); });
  }

 private:
  bool current() const { return anchor_->stream && anchor_->stream->connection_ == connection_; }

  void finish(const error_code& ec) {
    if (current()) stream_.redirect_count_ = 0;
    handler_(ec);
  }

  void on_connect(const error_code& ec) {
    if (ec) return finish(ec);
    if (!current()) return handler_(asio_error::operation_aborted);
    const ProxySettings& proxy = stream_.proxy_;
    const ParsedUrl& url = stream_.url_;
    auto self = shared_from_this();
    if (proxy.kind != ProxyKind::Direct) stream_.stage_ = open_stage::proxy;
    if (proxy.kind == ProxyKind::Socks4 || proxy.kind == ProxyKind::Socks5 ||
        proxy.kind == ProxyKind::Socks5Auth) {
      AsyncSocksHandshake(connection_->socket, proxy, url.Host(), url.Port(),
                          [self](const error_code& ec) { self->on_socks_handshake(ec); });
    } else if (proxy.kind != ProxyKind::Direct && stream_.protocol_ == "https") {
      std::string request = BuildConnectRequest(url, proxy, stream_.request_options_);
      stream_.Trace(head_direction::sent, request);
      AsyncOpenTunnel(connection_->socket, std::move(request),
                      [self](const error_code& ec, const tunnel_answer& answer) {
                        self->on_tunnel(ec, answer);
                      });
    } else {
      through_to_origin();
    }
  }

  void on_socks_handshake(const error_code& ec) {
    if (ec) return finish(ec);
    if (!current()) return handler_(asio_error::operation_aborted);
    through_to_origin();
  }

  void on_tunnel(const error_code& ec, const tunnel_answer& answer) {
    if (ec) {
      if (current()) stream_.TakeTunnelAnswer(answer);  // what the proxy refused, for callers
      return finish(ec);
    }
    if (!current()) return handler_(asio_error::operation_aborted);
    stream_.TakeTunnelAnswer(answer);
    through_to_origin();
  }

  // The connection reaches the origin server: add TLS for https, then send the request.
  void through_to_origin() {
    if (stream_.protocol_ != "https") return send_request();
    stream_.stage_ = open_stage::tls;
    error_code ec;
    const auto session = stream_.StartTls(ec);
    if (ec) return finish(ec);  // already inside a completion: not from the starting call
    AsyncTlsHandshake(
        session, [self = shared_from_this()](const error_code& ec) { self->on_tls_handshake(ec); });
  }

  void on_tls_handshake(const error_code& ec) {
    if (ec) return finish(ec);
    if (!current()) return handler_(asio_error::operation_aborted);
    send_request();
  }

  void send_request() {
    stream_.stage_ = open_stage::exchange;
    std::make_shared<request_op>(stream_, [self = shared_from_this()](const error_code& ec) {
      self->on_response(ec);
    })->start(stream_.request_options_);
  }

  void on_response(const error_code& ec) {
    if (!IsRedirect(ec) || !current()) return finish(ec);
    ParsedUrl next;
    error_code refused = ec;
    if (stream_.FollowRedirect(next, refused)) return start(next, false);
    stream_.redirect_count_ = 0;
    handler_(refused);
  }

  boost::asio::io_context& io_;
  std::shared_ptr<stream_anchor> anchor_;
  http_stream& stream_;  // touched only while current()
  open_handler handler_;
  std::shared_ptr<connection_state> connection_;
};

void http_stream::AsyncOpen(const ParsedUrl& url, open_handler handler) {
  std::make_shared<open_op>(*this, std::move(handler))->start(url, true);
}

// ---- body ------------------------------------------------------------------------------------

// start -> [on_read | on_more_framing -> ...]. A read that can be answered from bytes already
// received completes through the io context, never inside AsyncReadSome.
class http_stream::read_op : public std::enable_shared_from_this<read_op> {
 public:
  read_op(http_stream& stream, const boost::asio::mutable_buffer& buffer, read_handler handler)
      : io_(stream.io_),
        anchor_(stream.anchor_),
        stream_(stream),
        connection_(stream.connection_),
        buffer_(buffer),
        handler_(std::move(handler)) {}

  void start() {
    if (buffer_.size() == 0) return post(error_code(), 0);
    if (!connection_) return post(asio_error::network_reset, 0);
    step(true);
  }

 private:
  bool current() const { return anchor_->stream && anchor_->stream->connection_ == connection_; }

  void post(const error_code& ec, std::size_t bytes) {
    boost::asio::post(io_, [self = shared_from_this(), ec, bytes] { self->handler_(ec, bytes); });
  }

  void complete(bool inline_start, const error_code& ec, std::size_t bytes) {
    if (inline_start) return post(ec, bytes);
    handler_(ec, bytes);
  }

  void fail(const error_code& ec) { handler_(current() ? stream_.BodyReadError(ec) : ec, 0); }

  void step(bool inline_start) {
    const body_step next = stream_.NextBodyStep(buffer_.size());
    auto self = shared_from_this();
    switch (next.what) {
      case body_step::action::finish:
        return complete(inline_start, next.ec, 0);
      case body_step::action::copy_buffered:
        return complete(inline_start, error_code(), stream_.CopyBuffered(buffer_, next.size));
      case body_step::action::read_direct:
        connection_->top->AsyncReadSome(
            boost::asio::buffer(buffer_.data(), next.size),
            [self](const error_code& ec, std::size_t bytes) { self->on_read(ec, bytes); });
        return;
      case body_step::action::read_more: {
        std::string& received = connection_->received;
        kept_ = received.size();
        received.resize(kept_ + kFramingRead);
        connection_->top->AsyncReadSome(
            boost::asio::buffer(&received[kept_], kFramingRead),
            [self](const error_code& ec, std::size_t bytes) { self->on_more_framing(ec, bytes); });
        return;
      }
    }
  }

  void on_read(const error_code& ec, std::size_t bytes) {
    if (ec) return fail(ec);
    if (!current()) return handler_(asio_error::operation_aborted, 0);
    stream_.CountBody(bytes);
    handler_(ec, bytes);
  }

  void on_more_framing(const error_code& ec, std::size_t bytes) {
    connection_->received.resize(kept_ + bytes);
    if (ec) return fail(ec);
    if (!current()) return handler_(asio_error::operation_aborted, 0);
    step(false);
  }

  boost::asio::io_context& io_;
  std::shared_ptr<stream_anchor> anchor_;
  http_stream& stream_;  // touched only while current()
  std::shared_ptr<connection_state> connection_;
  boost::asio::mutable_buffer buffer_;
  read_handler handler_;
  std::size_t kept_ = 0;
};

void http_stream::AsyncReadSome(const boost::asio::mutable_buffer& buffer, read_handler handler) {
  std::make_shared<read_op>(*this, buffer, std::move(handler))->start();
}

}  // namespace khttp
