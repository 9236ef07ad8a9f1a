// Fuzz target of the banner API answer: whatever the text, reading it never crashes, and the
// picture list never holds more entries than the answer's "data"."list" array.
#include <rapidjson/document.h>

#include <cstdint>
#include <string>

#include "common/banner_answer.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  ApiResponse response;
  std::vector<ImageInfo> images;
  const bool parsed = ParseApiResponse(response, images, text);

  rapidjson::Document document;
  document.Parse(text.c_str(), text.size());
  std::size_t listed = 0;
  if (!document.HasParseError() && document.IsObject()) {
    const auto found = document.FindMember("data");
    if (found != document.MemberEnd() && found->value.IsObject()) {
      const auto list = found->value.FindMember("list");
      if (list != found->value.MemberEnd() && list->value.IsArray()) {
        listed = list->value.Size();
      }
    }
  }
  KV_FUZZ_CHECK(parsed == !document.HasParseError());
  KV_FUZZ_CHECK(images.size() <= listed);
  if (!parsed) KV_FUZZ_CHECK(response.code == -1 && response.message.empty());
  return 0;
}
