// The check of a range answer: never crashes, and an answer passes exactly when its
// Content-Range names the range asked for and the known total, whatever the text around it.
// Input: one byte choosing how the claim differs from the answer, then the Content-Range text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "khttp/http_error.h"
#include "khttp/range_reply.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t shift = data[0];
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

  std::int64_t first = 0;
  std::int64_t last = 0;
  std::int64_t total = 0;
  const bool parsed = khttp::parse_content_range(text, first, last, total);
  if (parsed) {
    KV_FUZZ_CHECK(first >= 0 && first <= last && last < total);
    std::int64_t again_first = 0;
    std::int64_t again_last = 0;
    std::int64_t again_total = 0;
    const std::string canonical =
        "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(total);
    KV_FUZZ_CHECK(khttp::parse_content_range(canonical, again_first, again_last, again_total));
    KV_FUZZ_CHECK(again_first == first && again_last == last && again_total == total);
  }

  // The claim: the answer's own range, or one moved by the choice byte.
  khttp::byte_range claim{parsed ? first : 0, parsed ? last : 0};
  std::int64_t known_total = parsed ? total : 1;
  switch (shift % 4) {
    case 1:
      claim.left += 1 + shift / 4;
      break;
    case 2:
      claim.right -= 1 + shift / 4;
      break;
    case 3:
      known_total += 1 + shift / 4;
      break;
    default:
      break;
  }
  khttp::RequestOptions response;
  response.Insert(khttp::http_options::kStatusCode, shift & 0x80 ? "200" : "206");
  response.Insert(khttp::http_options::kContentRange, text);
  const auto ec = khttp::check_range_reply(response, claim, known_total, (shift & 0x40) != 0);
  const bool matches = parsed && (shift & 0x80) == 0 && claim.left == first &&
                       claim.right == last && known_total == total;
  KV_FUZZ_CHECK(!ec == matches);
  if (shift & 0x80) {
    KV_FUZZ_CHECK(ec == ((shift & 0x40)
                             ? khttp::make_error_code(khttp::http_error::file_changed)
                             : khttp::make_error_code(khttp::http_error::range_not_honoured)));
  }
  return 0;
}
