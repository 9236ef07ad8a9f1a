// How a connection reaches its server: directly or through a SOCKS or HTTP proxy.
#pragma once

#include <string>

namespace khttp {

/// The connection path. The numbers are stored and compared as they are; a value outside the
/// list makes opening a stream fail with operation_not_supported.
enum class ProxyKind : int {
  Direct = 0,
  Socks4 = 1,         // the user id is the user name
  Socks5 = 2,         // user name/password is offered whenever a user name is set
  Socks5Auth = 3,     // the same path as Socks5
  HttpProxy = 4,      // for "https" a CONNECT tunnel
  HttpProxyAuth = 5,  // Basic credentials made of "username:password"
};

struct ProxySettings {
  std::string hostname;
  int port = 0;
  std::string username;
  std::string password;
  ProxyKind kind = ProxyKind::Direct;
};

}  // namespace khttp
