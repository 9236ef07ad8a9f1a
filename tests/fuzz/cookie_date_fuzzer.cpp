// Cookie dates: never crash, and a date read is a real UTC time from 1970 on.
#include <boost/date_time/posix_time/posix_time.hpp>
#include <cstddef>
#include <cstdint>
#include <string>

#include "khttp/cookie_date.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const auto date = khttp::ParseCookieDate(text);
  if (!date) return 0;
  KV_FUZZ_CHECK(!date->is_special());
  KV_FUZZ_CHECK(date->date().year() >= 1970);
  return 0;
}
