// The ini reader over every encoding it accepts: never crash, a value read back never exceeds
// kProfileValueLimit characters, a section never more than kProfileSectionLimit, and the same
// text gives the same sections whichever encoding carries it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ini_file.h"
#include "platform/profile_parser.h"
#include "platform/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

// Wide text as UTF-16 bytes with a byte-order mark; characters above U+FFFF become pairs.
std::string EncodeUtf16(const std::wstring& text, bool little_endian) {
  std::string bytes = little_endian ? "\xFF\xFE" : "\xFE\xFF";
  bytes.reserve(2 + text.size() * 2);
  const auto append = [&](std::uint32_t unit) {
    const char low = static_cast<char>(unit & 0xFF);
    const char high = static_cast<char>(unit >> 8);
    bytes += little_endian ? low : high;
    bytes += little_endian ? high : low;
  };
  for (const wchar_t c : text) {
    const std::uint32_t code = std::char_traits<wchar_t>::to_int_type(c);
    if (code > 0xFFFF) {
      append(0xD800 + ((code - 0x10000) >> 10));
      append(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      append(code);
    }
  }
  return bytes;
}

bool SameSections(const std::vector<platform::ProfileSection>& a,
                  const std::vector<platform::ProfileSection>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].entries.size() != b[i].entries.size()) return false;
    for (std::size_t j = 0; j < a[i].entries.size(); ++j) {
      const platform::ProfileEntry& x = a[i].entries[j];
      const platform::ProfileEntry& y = b[i].entries[j];
      if (x.key != y.key || x.value != y.value || x.has_equals != y.has_equals) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::wstring text = platform::DecodeProfileText(bytes);
  const auto sections = platform::ParseProfile(text);

  // Whatever encoding the text came in, it reads the same in another one (one per run, chosen
  // by the input, so that each run stays quick).
  bool has_surrogates = false;
  for (const wchar_t c : text) has_surrogates |= c >= 0xD800 && c <= 0xDFFF;
  if (!has_surrogates) {
    std::string other;
    switch (size % 3) {
      case 0:
        other = EncodeUtf16(text, true);
        break;
      case 1:
        other = EncodeUtf16(text, false);
        break;
      default:
        other = "\xEF\xBB\xBF" + platform::WideToUtf8(text);
        break;
    }
    const std::wstring again = platform::DecodeProfileText(other);
    KV_FUZZ_CHECK(again == text);
    KV_FUZZ_CHECK(SameSections(platform::ParseProfile(again), sections));
  }

  std::size_t lookups = 0;
  for (const platform::ProfileSection& section : sections) {
    if (++lookups > 16) break;
    // Every entry of the section, cut to fit the section's room with its terminators.
    const auto entries = platform::ProfileSectionEntries(sections, section.name);
    std::size_t used = 1;
    for (const std::wstring& entry : entries) used += entry.size() + 1;
    KV_FUZZ_CHECK(used <= platform::kProfileSectionLimit);
    // The first section of that name (ignoring case) is the one read.
    KV_FUZZ_CHECK(entries.size() <=
                  platform::FindProfileSection(sections, section.name)->entries.size());
    for (const platform::ProfileEntry& entry : section.entries) {
      if (++lookups > 64) break;
      const std::wstring value = platform::FindProfileValue(sections, section.name, entry.key);
      KV_FUZZ_CHECK(value.size() <= platform::kProfileValueLimit);
    }
  }
  return 0;
}
