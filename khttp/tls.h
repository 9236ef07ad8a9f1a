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

/// A TLS client session over `inner`, which it owns. Closing it closes `inner`.
class tls_transport;

/// Makes a TLS session for `host` over `inner`. With `verify_certificate` the server's chain is
/// checked against the system's trust store and SSL_CERT_FILE (platform/trust_store.h) and the
/// certificate must name `host` (a DNS name, or an IP address for an address literal). The server
/// name indication is `host` unless it is an address literal. Nothing is sent until Handshake.
std::shared_ptr<tls_transport> MakeTlsTransport(std::shared_ptr<transport> inner,
                                                const std::string& host, bool verify_certificate);

/// Runs the client handshake. A failed certificate check is reported in
/// tls_certificate_category; other failures as OpenSSL or the inner transport report them.
void TlsHandshake(tls_transport& session, boost::system::error_code& ec);
void AsyncTlsHandshake(const std::shared_ptr<tls_transport>& session, done_handler handler);

/// The session as a plain transport.
std::shared_ptr<transport> AsTransport(const std::shared_ptr<tls_transport>& session);

}  // namespace khttp
