// TLS over OpenSSL 3 on top of another transport (a TCP socket, a SOCKS tunnel or a CONNECT
// tunnel).
#pragma once

#include <boost/system/error_code.hpp>
#include <memory>
#include <string>

#include "khttp/transport.h"

namespace khttp {

/// The category of a failed certificate check: the value is OpenSSL's verification result
/// (X509_V_ERR_*), the message names it ("certificate verify failed: certificate has expired").
const boost::system::error_category& tls_certificate_category();
/// In that category: the session could not be given the host name to send or the name or
/// address to check, so it is not started.
constexpr int kTlsPeerNameRefused = -1;

/// The settings and the loaded trust store that TLS sessions are made from. One context serves
/// any number of sessions, with or without certificate checks (that is chosen per session), on
/// the one thread that runs their io context; sessions keep it alive.
class tls_context;

/// A client context: the highest TLS version both sides support, no compression, the default trust
/// store (OpenSSL reads SSL_CERT_FILE and SSL_CERT_DIR) loaded once, here. Without a trust store
/// every check fails, as it should.
std::shared_ptr<tls_context> MakeTlsContext();

/// A TLS client session over `inner`, which it owns. Closing it closes `inner`.
class tls_transport;

/// Makes a TLS session for `host` over `inner` from `context`. With `verify_certificate` the
/// server's chain is checked against the context's trust store (the system's, and SSL_CERT_FILE:
/// platform/trust_store.h) and the certificate must name
/// `host` (a DNS name, or an IP address for an address literal). The server name indication is
/// `host` unless it is an address literal. When the session cannot be given the name to send or
/// to check, the result is null with `ec` set (a check that would silently be skipped is a
/// failure). Nothing is sent until Handshake.
std::shared_ptr<tls_transport> MakeTlsTransport(std::shared_ptr<transport> inner,
                                                const std::string& host, bool verify_certificate,
                                                std::shared_ptr<tls_context> context,
                                                boost::system::error_code& ec);

/// Runs the client handshake. A failed certificate check is reported in
/// tls_certificate_category; other failures as OpenSSL or the inner transport report them.
void TlsHandshake(tls_transport& session, boost::system::error_code& ec);
void AsyncTlsHandshake(const std::shared_ptr<tls_transport>& session, done_handler handler);

/// The session as a plain transport.
std::shared_ptr<transport> AsTransport(const std::shared_ptr<tls_transport>& session);

}  // namespace khttp
