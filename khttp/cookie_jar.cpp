#include "khttp/cookie_jar.h"

#include <algorithm>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <cstdlib>
#include <map>

#include "khttp/ascii.h"
#include "platform/trim.h"

namespace khttp {
namespace {

using boost::posix_time::ptime;

// A relative expiry is clamped to about 68 years either way, so that it fits every platform's
// long and the sum stays a date.
constexpr long long kMaxRelativeSeconds = 2'147'483'647LL;

// Bytes of 0x80 or above, and control characters (which could end the request's header line
// when the cookie is sent back), make the whole value unusable.
bool IsForbiddenByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x80 || byte == 0x7F || (byte < 0x20 && byte != '\t');
}

// Characters that cannot be part of a name: they throw away what was collected so far.
bool BreaksName(char c) {
  return c == ' ' || c == '^' || c == '`' || c == '{' || c == '|' || c == '}' || c == ':';
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

struct ParsedValue {
  std::map<std::string, std::string> pairs;  // by name, byte order
  bool secure = false;
  bool httponly = false;
};

// Splits a "set-cookie" value into its name/value pairs and flags. False: reject the value.
bool SplitSetCookie(const std::string& text, ParsedValue& parsed) {
  std::size_t pos = 0;
  const std::size_t size = text.size();
  while (pos < size) {
    while (pos < size && text[pos] == ' ') ++pos;
    if (pos < size && IsForbiddenByte(text[pos])) return false;

    std::string name;
    while (pos < size && text[pos] != '=' && text[pos] != ';') {
      const char c = text[pos++];
      if (IsForbiddenByte(c)) return false;
      if (BreaksName(c)) {
        name.clear();
      } else {
        name.push_back(c);
      }
    }

    if (pos >= size || text[pos] == ';') {
      // A name without "=": a flag.
      const bool at_end = pos >= size;
      const std::string flag = LowerAscii(name);
      if (flag == "secure") {
        parsed.secure = true;
      } else if (flag == "httponly") {
        parsed.httponly = true;
      } else if (!flag.empty() && !at_end) {
        return false;
      }
      ++pos;
      continue;
    }

    ++pos;  // "="
    std::string value;
    while (pos < size && text[pos] != ';') {
      const char c = text[pos];
      if (IsQuote(c)) {
        // A quoted part runs to its closing quote, semicolons included, and is kept with quotes.
        const auto close = text.find(c, pos + 1);
        const std::size_t end = close == std::string::npos ? size : close + 1;
        value.append(text, pos, end - pos);
        pos = end;
      } else {
        value.push_back(c);
        ++pos;
      }
    }
    if (std::any_of(value.begin(), value.end(), IsForbiddenByte)) return false;
    const bool complete = pos < size;  // ended by ";"
    ++pos;
    value = platform::Trim(value);
    if (name.empty()) continue;
    if (complete || !value.empty()) parsed.pairs[name] = value;
  }
  return true;
}

std::optional<ptime> RelativeExpiry(const std::string& text, const ptime& now) {
  const char* begin = text.c_str();
  char* end = nullptr;
  long long seconds = std::strtoll(begin, &end, 10);
  if (end == begin) return std::nullopt;
  seconds = std::clamp(seconds, -kMaxRelativeSeconds, kMaxRelativeSeconds);
  return now + boost::posix_time::seconds(static_cast<long>(seconds));
}

ptime UtcNow() { return boost::posix_time::second_clock::universal_time(); }

}  // namespace

void CookieJar::AddSetCookie(const std::string& header_value) {
  AddSetCookie(header_value, UtcNow());
}

void CookieJar::AddSetCookie(const std::string& header_value, const ptime& now) {
  ParsedValue parsed;
  if (!SplitSetCookie(header_value, parsed)) return;

  Cookie shared;
  shared.secure = parsed.secure;
  shared.httponly = parsed.httponly;
  std::optional<ptime> max_age;
  for (auto it = parsed.pairs.begin(); it != parsed.pairs.end();) {
    const std::string attribute = LowerAscii(it->first);
    const std::string& value = it->second;
    if (attribute == "expires") {
      shared.expiry = ParseCookieDate(value);
      if (!shared.expiry) shared.expiry = RelativeExpiry(value, now);
    } else if (attribute == "max-age") {
      max_age = RelativeExpiry(value, now);
    } else if (attribute == "domain") {
      shared.domain = value;
    } else if (attribute == "path") {
      shared.path = value;
    } else if (attribute != "samesite") {
      ++it;
      continue;
    }
    it = parsed.pairs.erase(it);
  }
  if (max_age) shared.expiry = max_age;  // max-age wins over expires, as browsers do

  for (const auto& [name, value] : parsed.pairs) {
    Cookie cookie = shared;
    cookie.name = name;
    cookie.value = value;
    Keep(std::move(cookie));
  }
}

void CookieJar::Keep(Cookie cookie) {
  for (auto& held : cookies_) {
    if (held.name == cookie.name && held.domain == cookie.domain && held.path == cookie.path) {
      held = std::move(cookie);
      return;
    }
  }
  cookies_.push_back(std::move(cookie));
}

std::string CookieJar::BuildCookieHeader(bool https) const {
  return BuildCookieHeader(https, UtcNow());
}

std::string CookieJar::BuildCookieHeader(bool https, const ptime& now) const {
  std::vector<const Cookie*> sorted;
  for (const auto& cookie : cookies_) sorted.push_back(&cookie);
  std::stable_sort(sorted.begin(), sorted.end(), [](const Cookie* a, const Cookie* b) {
    if (a->name != b->name) return a->name < b->name;
    if (a->domain != b->domain) return a->domain < b->domain;
    return a->path < b->path;
  });
  std::string header;
  for (const Cookie* cookie : sorted) {
    if (cookie->value.empty()) continue;
    if (cookie->secure && !https) continue;
    if (cookie->expiry && *cookie->expiry < now) continue;
    if (!header.empty()) header += "; ";
    header += cookie->name + "=" + cookie->value;
  }
  return header;
}

}  // namespace khttp
