// Proxies written as URLs on a command line.
#pragma once

#include <string>

#include "khttp/proxy_settings.h"

namespace kvdl {

/// Reads "http://[user:pass@]host:port", "socks4://[user@]host:port" or
/// "socks5://[user:pass@]host:port"; user name and password may be percent-encoded. False, with
/// `error` saying why, for anything else.
bool ParseProxyUrl(const std::string& text, khttp::ProxySettings& proxy, std::string& error);

}  // namespace kvdl
