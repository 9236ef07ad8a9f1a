#include "khttp/parsed_url.h"

#include <algorithm>
#include <boost/system/system_error.hpp>

#include "khttp/ascii.h"

namespace khttp {
namespace {

constexpr int kMaxPort = 65535;

// The value of a port written as decimal digits, or -1 when it is empty, holds anything but
// digits or is beyond the last port.
int PortNumber(const std::string& text) {
  if (text.empty()) return -1;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
    if (value > kMaxPort) return -1;
  }
  return value;
}

// A space, a control character or DEL: never part of a URL that goes on a request line.
bool HasUnsafeByte(const std::string& text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= 0x20 || byte == 0x7F;
  });
}

}  // namespace

// The URL grammar, one step per component. Returns false on the first thing that does not fit.
bool ParsedUrl::Parse(const std::string& text, ParsedUrl& url) {
  std::string& protocol = url.protocol_;
  std::string& user_info = url.user_info_;
  std::string& host = url.host_;
  std::string& port = url.port_;
  std::string& path = url.path_;
  std::string& query = url.query_;
  std::string& fragment = url.fragment_;
  if (HasUnsafeByte(text)) return false;
  const auto colon = text.find(':');
  if (colon == std::string::npos || colon == 0) return false;  // no scheme
  for (std::size_t i = 0; i < colon; ++i) protocol.push_back(LowerAscii(text[i]));
  if (text.compare(colon + 1, 2, "//") != 0) return false;
  std::size_t pos = colon + 3;

  // An "@" before the host (possibly after a "user:password" colon) ends the user information.
  auto mark = text.find_first_of("@:[/?#", pos);
  if (mark != std::string::npos && text[mark] == ':') {
    const auto at = text.find_first_of("@/?#", mark);
    if (at != std::string::npos && text[at] == '@') mark = at;
  }
  if (mark != std::string::npos && text[mark] == '@') {
    user_info = text.substr(pos, mark - pos);
    pos = mark + 1;
  }

  if (pos < text.size() && text[pos] == '[') {
    const auto close = text.find(']', pos);
    if (close == std::string::npos) return false;
    host = text.substr(pos + 1, close - pos - 1);
    url.ipv6_ = true;
    pos = close + 1;
    if (pos < text.size() && std::string(":/?#").find(text[pos]) == std::string::npos) {
      return false;
    }
  } else {
    const auto end = std::min(text.find_first_of(":/?#", pos), text.size());
    host = text.substr(pos, end - pos);
    // "http://@a@b" would print as "http://a@b", a URL of another host.
    if (host.find('@') != std::string::npos) return false;
    pos = end;
  }

  if (pos < text.size() && text[pos] == ':') {
    const auto end = std::min(text.find_first_of("/?#", pos), text.size());
    port = text.substr(pos + 1, end - pos - 1);
    // A port the system cannot use is refused here rather than wrapped around later.
    if (PortNumber(port) < 0) return false;
    pos = end;
  }

  if (pos < text.size() && text[pos] == '/') {
    const auto end = std::min(text.find_first_of("?#", pos), text.size());
    path = text.substr(pos, end - pos);
    pos = end;
  } else {
    path = "/";
  }

  if (pos < text.size() && text[pos] == '?') {
    const auto end = std::min(text.find('#', pos), text.size());
    query = text.substr(pos + 1, end - pos - 1);
    pos = end;
  }
  if (pos < text.size() && text[pos] == '#') fragment = text.substr(pos + 1);
  return true;
}

ParsedUrl::ParsedUrl(const std::string& text) {
  boost::system::error_code ec;
  *this = FromString(text, ec);
  if (ec) throw boost::system::system_error(ec, "invalid URL");
}

ParsedUrl ParsedUrl::FromString(const std::string& text, boost::system::error_code& ec) {
  ParsedUrl url;
  if (!Parse(text, url)) {
    ec = make_error_code(boost::system::errc::invalid_argument);
    return ParsedUrl();
  }
  ec.clear();
  return url;
}

std::string ParsedUrl::ToString(int mask) const {
  std::string text;
  if ((mask & kUrlProtocol) && !protocol_.empty()) text += protocol_ + "://";
  if ((mask & kUrlUserInfo) && !user_info_.empty()) text += user_info_ + "@";
  if (mask & kUrlHost) text += ipv6_ ? "[" + host_ + "]" : host_;
  if ((mask & kUrlPort) && !port_.empty()) text += ":" + port_;
  if ((mask & kUrlPath) && !path_.empty()) text += path_;
  if ((mask & kUrlQuery) && !query_.empty()) text += "?" + query_;
  if ((mask & kUrlFragment) && !fragment_.empty()) text += "#" + fragment_;
  return text;
}

int ParsedUrl::Port() const {
  if (!port_.empty()) return PortNumber(port_);
  if (protocol_ == "http") return 80;
  if (protocol_ == "https") return 443;
  if (protocol_ == "ftp") return 21;
  return 0;
}

bool operator==(const ParsedUrl& a, const ParsedUrl& b) {
  return a.protocol_ == b.protocol_ && a.user_info_ == b.user_info_ && a.host_ == b.host_ &&
         a.port_ == b.port_ && a.path_ == b.path_ && a.query_ == b.query_ &&
         a.fragment_ == b.fragment_ && a.ipv6_ == b.ipv6_;
}

}  // namespace khttp
