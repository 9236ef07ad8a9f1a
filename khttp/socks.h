// Opening a tunnel through a SOCKS4 or SOCKS5 proxy.
#pragma once

#include <array>
#include <boost/asio/ip/address_v4.hpp>
#include <boost/system/error_code.hpp>
#include <cstdint>
#include <memory>
#include <string>

#include "khttp/proxy_settings.h"
#include "khttp/transport.h"

namespace khttp {

/// Asks the proxy that `connection` is connected to for a tunnel to `host`:`port`. Socks4 names
/// the target by its IPv4 address, resolved here, and sends the user name as its user id.
/// Socks5 and Socks5Auth send the host name for the proxy to resolve and offer user
/// name/password authentication whenever a user name is set. Failures are the SOCKS codes of the
/// "HTTP" category, or the network error of a SOCKS5 reply (connection_refused, ...).
void SocksHandshake(socket_transport& connection, const ProxySettings& proxy,
                    const std::string& host, int port, boost::system::error_code& ec);
void AsyncSocksHandshake(const std::shared_ptr<socket_transport>& connection,
                         const ProxySettings& proxy, const std::string& host, int port,
                         done_handler handler);

// The messages and replies of the exchange.

std::string Socks4Request(const boost::asio::ip::address_v4& target, int port,
                          const std::string& user_id);
/// 91 -> authentication error, 92 -> no identd, 93 -> identd error, other than 90 -> failure.
boost::system::error_code Socks4ReplyError(const std::array<unsigned char, 8>& reply);

std::string Socks5Greeting(const std::string& username);
/// Whether the proxy chose user name/password (`authenticate`) or no authentication.
boost::system::error_code Socks5MethodError(const std::array<unsigned char, 2>& reply,
                                            const std::string& username, bool& authenticate);
/// Empty (and `ec` invalid_argument) when a name or password is over 255 bytes.
std::string Socks5Authentication(const std::string& username, const std::string& password,
                                 boost::system::error_code& ec);
boost::system::error_code Socks5AuthenticationError(const std::array<unsigned char, 2>& reply);
/// Empty (and `ec` invalid_argument) when the host name is over 255 bytes.
std::string Socks5ConnectRequest(const std::string& host, int port, boost::system::error_code& ec);
/// Checks the first 10 bytes of the reply; `rest` is how many bytes of the bound address are
/// still to be read.
boost::system::error_code Socks5ReplyError(const std::array<unsigned char, 10>& reply,
                                           std::size_t& rest);

}  // namespace khttp
