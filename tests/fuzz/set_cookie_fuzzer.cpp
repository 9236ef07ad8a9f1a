// "set-cookie" values: never crash, and what goes back to the server is one clean header value.
#include <boost/date_time/posix_time/posix_time.hpp>
#include <cstddef>
#include <cstdint>
#include <string>

#include "khttp/cookie_jar.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

bool IsCleanHeaderValue(const std::string& text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80 || byte == 0x7F || (byte < 0x20 && byte != '\t')) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto now = boost::posix_time::time_from_string("2024-05-01 12:00:00");
  khttp::CookieJar jar;
  // The input may hold several values, one per line, as a server's response would.
  std::size_t start = 0;
  while (start <= text.size()) {
    const auto end = std::min(text.find('\n', start), text.size());
    jar.AddSetCookie(text.substr(start, end - start), now);
    start = end + 1;
  }
  for (const auto& cookie : jar.Cookies()) {
    KV_FUZZ_CHECK(!cookie.name.empty());
    KV_FUZZ_CHECK(IsCleanHeaderValue(cookie.name) && IsCleanHeaderValue(cookie.value));
    KV_FUZZ_CHECK(!cookie.expiry || !cookie.expiry->is_special());
  }
  const std::string https = jar.BuildCookieHeader(true, now);
  const std::string http = jar.BuildCookieHeader(false, now);
  KV_FUZZ_CHECK(IsCleanHeaderValue(https));
  KV_FUZZ_CHECK(http.size() <= https.size());
  return 0;
}
