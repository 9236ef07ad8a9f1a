// The URL parser: never crashes, and what it prints parses back to the same URL.
#include <cstddef>
#include <cstdint>
#include <string>

#include "khttp/parsed_url.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  boost::system::error_code ec;
  const khttp::ParsedUrl url = khttp::ParsedUrl::FromString(text, ec);
  if (ec) {
    KV_FUZZ_CHECK(url == khttp::ParsedUrl());
    return 0;
  }
  KV_FUZZ_CHECK(url.Port() >= 0 && url.Port() <= 65535);
  KV_FUZZ_CHECK(!url.Path().empty() && url.Path()[0] == '/');
  const khttp::ParsedUrl again = khttp::ParsedUrl::FromString(url.ToString(khttp::kUrlAll), ec);
  KV_FUZZ_CHECK(!ec);
  KV_FUZZ_CHECK(again == url);
  for (int mask = 0; mask <= khttp::kUrlAll; ++mask) url.ToString(mask);
  return 0;
}
