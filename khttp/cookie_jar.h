// The cookies one connection has been sent, replayed on its later requests.
#pragma once

#include <boost/date_time/posix_time/ptime.hpp>
#include <optional>
#include <string>
#include <vector>

#include "khttp/cookie_date.h"

namespace khttp {

struct Cookie {
  std::string name;
  std::string value;
  std::string domain;
  std::string path;
  std::optional<boost::posix_time::ptime> expiry;  // UTC; none: the cookie never expires
  bool secure = false;
  bool httponly = false;
};

/// The cookies of one stream, kept in memory for as long as the stream lives. Domain and path
/// are recorded but do not limit where a cookie is sent: a stream talks to one origin.
/// All times are UTC.
class CookieJar {
 public:
  /// Takes one "set-cookie" header value. One value may define several cookies that share its
  /// attributes (expires, max-age, domain, path, secure, httponly). A value with an unknown flag
  /// followed by more text, a byte of 0x80 or above or a control character is rejected whole. A
  /// cookie with the name, domain and path of one already held replaces it.
  void AddSetCookie(const std::string& header_value);
  void AddSetCookie(const std::string& header_value, const boost::posix_time::ptime& now);

  /// The value of the "Cookie" request header: "name=value" of every cookie with a value that
  /// has not expired, in name order, joined by "; ". Secure cookies only when `https`. Empty
  /// when there is nothing to send.
  std::string BuildCookieHeader(bool https) const;
  std::string BuildCookieHeader(bool https, const boost::posix_time::ptime& now) const;

  const std::vector<Cookie>& Cookies() const { return cookies_; }

 private:
  void Keep(Cookie cookie);

  std::vector<Cookie> cookies_;
};

}  // namespace khttp
