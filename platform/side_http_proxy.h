// How the Linux side requests choose their proxy: the variables https_proxy, http_proxy,
// all_proxy and no_proxy (lower case first, then upper case), read the way curl and wget read
// them.
#pragma once

#include <string>

#include "khttp/proxy_settings.h"

namespace platform {

/// True when `host` is named by the comma- or blank-separated `no_proxy` list: "*", the host
/// itself, or a domain it lies in ("example.com" and ".example.com" both cover
/// "a.example.com"). Letter case and a port after an entry do not matter.
bool HostBypassesProxy(const std::string& host, const std::string& no_proxy);

/// Reads a proxy variable: "[scheme://][user[:password]@]host[:port]" with scheme http (the
/// default), socks4, socks4a, socks5 or socks5h; user name and password may be percent-encoded;
/// the port defaults to 1080. False for anything else.
bool ParseProxyVariable(const std::string& text, khttp::ProxySettings& proxy);

/// The proxy for a request to `host` over `scheme` ("http" or "https"): direct when no_proxy
/// names the host or no usable variable is set.
khttp::ProxySettings ProxyFromEnvironment(const std::string& scheme, const std::string& host);

}  // namespace platform
