#include "khttp/tls.h"

#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <boost/asio/ip/address.hpp>
#include <boost/asio/ssl.hpp>

#include "platform/trust_store.h"

namespace khttp {
namespace {

class tls_certificate_error_category : public boost::system::error_category {
 public:
  const char* name() const noexcept override { return "TLS certificate"; }
  std::string message(int value) const override {
    if (value == kTlsPeerNameRefused) return "the certificate check cannot be set up for this host";
    return std::string("certificate verify failed: ") +
           X509_verify_cert_error_string(static_cast<long>(value));
  }
};

// The inner transport as the next layer of an Asio TLS stream.
class transport_layer {
 public:
  using executor_type = boost::asio::any_io_executor;
  using lowest_layer_type = transport_layer;

  explicit transport_layer(transport* inner) : inner_(inner) {}

  executor_type get_executor() { return inner_->get_executor(); }
  lowest_layer_type& lowest_layer() { return *this; }
  const lowest_layer_type& lowest_layer() const { return *this; }

  template <typename MutableBuffers>
  std::size_t read_some(const MutableBuffers& buffers, boost::system::error_code& ec) {
    return inner_->ReadSome(*boost::asio::buffer_sequence_begin(buffers), ec);
  }
  template <typename ConstBuffers>
  std::size_t write_some(const ConstBuffers& buffers, boost::system::error_code& ec) {
    return inner_->WriteSome(*boost::asio::buffer_sequence_begin(buffers), ec);
  }
  template <typename MutableBuffers, typename Handler>
  void async_read_some(const MutableBuffers& buffers, Handler&& handler) {
    inner_->AsyncReadSome(*boost::asio::buffer_sequence_begin(buffers),
                          std::forward<Handler>(handler));
  }
  template <typename ConstBuffers, typename Handler>
  void async_write_some(const ConstBuffers& buffers, Handler&& handler) {
    inner_->AsyncWriteSome(*boost::asio::buffer_sequence_begin(buffers),
                           std::forward<Handler>(handler));
  }

 private:
  transport* inner_;
};

bool IsAddressLiteral(const std::string& host) {
  boost::system::error_code ec;
  boost::asio::ip::make_address(host, ec);
  return !ec;
}

}  // namespace

const boost::system::error_category& tls_certificate_category() {
  static const tls_certificate_error_category category;
  return category;
}

class tls_context {
 public:
  tls_context() : context_(boost::asio::ssl::context::tls_client) {
    context_.set_options(boost::asio::ssl::context::default_workarounds |
                         boost::asio::ssl::context::no_compression);
    // The system's trusted roots, and SSL_CERT_FILE where it is set (platform/trust_store.h).
    platform::LoadTrustedRoots(SSL_CTX_get_cert_store(context_.native_handle()));
  }
  boost::asio::ssl::context& get() { return context_; }

 private:
  boost::asio::ssl::context context_;
};

std::shared_ptr<tls_context> MakeTlsContext() { return std::make_shared<tls_context>(); }

class tls_transport : public transport, public std::enable_shared_from_this<tls_transport> {
 public:
  tls_transport(std::shared_ptr<transport> inner, bool verify, std::shared_ptr<tls_context> context)
      : inner_(std::move(inner)),
        context_(std::move(context)),
        stream_(transport_layer(inner_.get()), context_->get()),
        verify_(verify) {}

  // Tells the session the name to send and the name or address to check. False when OpenSSL
  // refuses either (a name with a NUL byte, a server name too long for the extension, an address
  // it cannot read): the session must not go on without them.
  bool SetPeer(const std::string& host) {
    SSL* ssl = stream_.native_handle();
    const bool address = IsAddressLiteral(host);
    if (!address && SSL_set_tlsext_host_name(ssl, host.c_str()) != 1) return false;
    if (!verify_) {
      SSL_set_verify(ssl, SSL_VERIFY_NONE, nullptr);
      return true;
    }
    SSL_set_verify(ssl, SSL_VERIFY_PEER, nullptr);
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
    if (address) return X509_VERIFY_PARAM_set1_ip_asc(param, host.c_str()) == 1;
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    return X509_VERIFY_PARAM_set1_host(param, host.c_str(), host.size()) == 1;
  }

  boost::asio::any_io_executor get_executor() override { return inner_->get_executor(); }

  std::size_t ReadSome(const boost::asio::mutable_buffer& buffer,
                       boost::system::error_code& ec) override {
    return stream_.read_some(buffer, ec);
  }
  std::size_t WriteSome(const boost::asio::const_buffer& buffer,
                        boost::system::error_code& ec) override {
    return stream_.write_some(buffer, ec);
  }
  void AsyncReadSome(const boost::asio::mutable_buffer& buffer, io_handler handler) override {
    stream_.async_read_some(buffer, [self = shared_from_this(), handler = std::move(handler)](
                                        const boost::system::error_code& ec, std::size_t bytes) {
      handler(ec, bytes);
    });
  }
  void AsyncWriteSome(const boost::asio::const_buffer& buffer, io_handler handler) override {
    stream_.async_write_some(buffer, [self = shared_from_this(), handler = std::move(handler)](
                                         const boost::system::error_code& ec, std::size_t bytes) {
      handler(ec, bytes);
    });
  }
  void Close(boost::system::error_code& ec) override { inner_->Close(ec); }
  bool IsOpen() const override { return inner_->IsOpen(); }

  void Handshake(boost::system::error_code& ec) {
    stream_.handshake(boost::asio::ssl::stream_base::client, ec);
    ec = Explained(ec);
  }

  void AsyncHandshake(done_handler handler) {
    stream_.async_handshake(
        boost::asio::ssl::stream_base::client,
        [self = shared_from_this(), handler = std::move(handler)](
            const boost::system::error_code& ec) { handler(self->Explained(ec)); });
  }

 private:
  // A handshake that failed on the certificate says which check failed.
  boost::system::error_code Explained(const boost::system::error_code& ec) {
    if (!ec || !verify_) return ec;
    const long result = SSL_get_verify_result(stream_.native_handle());
    if (result == X509_V_OK) return ec;
    return boost::system::error_code(static_cast<int>(result), tls_certificate_category());
  }

  std::shared_ptr<transport> inner_;
  std::shared_ptr<tls_context> context_;
  boost::asio::ssl::stream<transport_layer> stream_;
  bool verify_;
};

std::shared_ptr<tls_transport> MakeTlsTransport(std::shared_ptr<transport> inner,
                                                const std::string& host, bool verify_certificate,
                                                std::shared_ptr<tls_context> context,
                                                boost::system::error_code& ec) {
  ec.clear();
  if (!context) context = MakeTlsContext();
  auto session =
      std::make_shared<tls_transport>(std::move(inner), verify_certificate, std::move(context));
  if (!session->SetPeer(host)) {
    ERR_clear_error();
    ec = boost::system::error_code(kTlsPeerNameRefused, tls_certificate_category());
    return nullptr;
  }
  return session;
}

void TlsHandshake(tls_transport& session, boost::system::error_code& ec) { session.Handshake(ec); }

void AsyncTlsHandshake(const std::shared_ptr<tls_transport>& session, done_handler handler) {
  session->AsyncHandshake(std::move(handler));
}

std::shared_ptr<transport> AsTransport(const std::shared_ptr<tls_transport>& session) {
  return session;
}

}  // namespace khttp
