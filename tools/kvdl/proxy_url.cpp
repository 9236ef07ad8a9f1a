#include "tools/kvdl/proxy_url.h"

#include "khttp/parsed_url.h"

namespace kvdl {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
        HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

bool ParseProxyUrl(const std::string& text, khttp::ProxySettings& proxy, std::string& error) {
  boost::system::error_code ec;
  const auto url = khttp::ParsedUrl::FromString(text, ec);
  if (ec) {
    error = "not a proxy URL: " + text;
    return false;
  }
  if (url.PortText().empty()) {
    error = "the proxy URL names no port: " + text;
    return false;
  }
  proxy = khttp::ProxySettings();
  proxy.hostname = url.Host();
  proxy.port = url.Port();
  const std::string& user_info = url.UserInfo();
  const auto colon = user_info.find(':');
  proxy.username = PercentDecoded(user_info.substr(0, colon));
  if (colon != std::string::npos) proxy.password = PercentDecoded(user_info.substr(colon + 1));
  const bool credentials = !user_info.empty();
  if (url.Protocol() == "http") {
    proxy.kind = credentials ? khttp::ProxyKind::HttpProxyAuth : khttp::ProxyKind::HttpProxy;
  } else if (url.Protocol() == "socks4") {
    proxy.kind = khttp::ProxyKind::Socks4;
  } else if (url.Protocol() == "socks5") {
    proxy.kind = credentials ? khttp::ProxyKind::Socks5Auth : khttp::ProxyKind::Socks5;
  } else {
    error = "unknown proxy kind \"" + url.Protocol() + "\" (http, socks4 or socks5)";
    return false;
  }
  return true;
}

}  // namespace kvdl
