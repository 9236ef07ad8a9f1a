// The proxy the system's settings give for one web address, for the download engine's
// connections: on Linux the usual proxy variables (as the side requests read them), on Windows
// the WinHTTP default proxy the side requests use, else the user's Internet Options proxy.
#pragma once

#include <string>

#include "khttp/proxy_settings.h"

namespace platform {

/// The proxy for a connection to `host` over `scheme` ("http" or "https"); direct when the
/// system names none or its bypass list covers the host.
khttp::ProxySettings SystemProxyFor(const std::string& scheme, const std::string& host);

/// Reads a Windows proxy list: "host:port", or "scheme=host:port" entries (an "http://" in front
/// allowed) separated by ';' or blanks; the entry of `scheme` wins over one without a scheme.
/// `bypass` lists hosts that go direct: names with '*' wildcards, "<local>" for every name
/// without a dot. Only HTTP proxies are taken (port 80 when none is given); anything else is
/// direct.
khttp::ProxySettings ProxyFromWindowsList(const std::string& proxy, const std::string& bypass,
                                          const std::string& scheme, const std::string& host);

}  // namespace platform
