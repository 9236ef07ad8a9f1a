// An absolute URL split into its components, each kept as written (nothing is percent-decoded).
#pragma once

#include <boost/system/error_code.hpp>
#include <string>

namespace khttp {

/// Component bits for ParsedUrl::ToString.
enum UrlComponent : int {
  kUrlProtocol = 1,
  kUrlUserInfo = 2,
  kUrlHost = 4,
  kUrlPort = 8,
  kUrlPath = 16,
  kUrlQuery = 32,
  kUrlFragment = 64,
  kUrlAll = 127,
  kUrlHostAndPort = kUrlHost | kUrlPort,
  kUrlPathQueryFragment = kUrlPath | kUrlQuery | kUrlFragment,
};

/// A parsed absolute URL of the form scheme://[user_info@]host[:port][/path][?query][#fragment].
/// The scheme is lower-cased; every other component is stored exactly as written. A host in
/// brackets is an IPv6 literal: it is stored without the brackets and `ipv6()` is true.
class ParsedUrl {
 public:
  /// An empty URL: every component empty, `ToString` gives "".
  ParsedUrl() = default;

  /// Parses `text`; throws boost::system::system_error (invalid_argument) when it is no URL.
  explicit ParsedUrl(const std::string& text);

  /// Parses `text`. On failure `ec` is errc::invalid_argument (generic category) and the result is
  /// empty; on success `ec` is cleared. The scheme must not be empty. An explicit port must be
  /// decimal digits of a value up to 65535. A space, a control character (CR and LF among
  /// them) or DEL anywhere is refused: such a URL could split a request line or start a header
  /// line of its own. Callers percent-encode what they mean to send.
  static ParsedUrl FromString(const std::string& text, boost::system::error_code& ec);

  /// The components selected by `mask` (UrlComponent bits) joined with their separators:
  /// "scheme://", "user_info@", host ("[host]" for IPv6), ":port", path, "?query", "#fragment".
  /// Empty components are left out with their separators (the host is always written).
  std::string ToString(int mask = kUrlAll) const;

  /// The explicit port, or the scheme's default: 80 http, 443 https, 21 ftp, else 0.
  int Port() const;

  const std::string& Protocol() const { return protocol_; }
  const std::string& UserInfo() const { return user_info_; }
  const std::string& Host() const { return host_; }
  /// The explicit port digits; empty when the URL names none.
  const std::string& PortText() const { return port_; }
  /// "/" when the URL has no path.
  const std::string& Path() const { return path_; }
  const std::string& Query() const { return query_; }
  const std::string& Fragment() const { return fragment_; }
  bool Ipv6() const { return ipv6_; }

  friend bool operator==(const ParsedUrl& a, const ParsedUrl& b);
  friend bool operator!=(const ParsedUrl& a, const ParsedUrl& b) { return !(a == b); }

 private:
  static bool Parse(const std::string& text, ParsedUrl& url);

  std::string protocol_;
  std::string user_info_;
  std::string host_;
  std::string port_;
  std::string path_;
  std::string query_;
  std::string fragment_;
  bool ipv6_ = false;
};

}  // namespace khttp
