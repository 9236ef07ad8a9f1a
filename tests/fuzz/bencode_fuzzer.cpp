// The bencode decoder and the resume-file check: never crash, a decoded value encodes to bytes
// that decode to the same value, and a record that passes the check is safe to restore.
#include <cstddef>
#include <cstdint>
#include <string>

#include "khttp/entry.h"
#include "khttp/range_set.h"
#include "khttp/resume_file.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const khttp::entry value = khttp::decode(bytes);
  if (value.type() != khttp::entry::kind::undefined) {
    const std::string encoded = khttp::encode(value);
    KV_FUZZ_CHECK(khttp::decode(encoded) == value);
    KV_FUZZ_CHECK(khttp::encode(khttp::decode(encoded)) == encoded);
  }

  khttp::resume_meta meta;
  std::string problem;
  if (!khttp::parse_resume_meta(bytes, meta, problem)) {
    KV_FUZZ_CHECK(!problem.empty());
    return 0;
  }
  KV_FUZZ_CHECK(meta.file_size > 0 && meta.piece_size > 0);
  KV_FUZZ_CHECK(static_cast<std::int64_t>(meta.bitfield.size()) == (meta.piece_num + 7) / 8);
  khttp::range_set claimed, written;
  khttp::restore_ranges(meta, claimed, written);
  KV_FUZZ_CHECK(written.covered() <= meta.file_size);
  // What was restored is saved with the same bits.
  KV_FUZZ_CHECK(written.to_bitmap(meta.piece_size) == meta.bitfield);
  return 0;
}
