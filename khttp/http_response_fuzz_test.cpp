// Runs the fuzz target over its seed corpus, and over every cut of each seed, in the ordinary
// build, so the target keeps building and its seeds keep passing without a fuzzing toolchain.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

TEST(HttpResponseFuzz, SeedsAndTheirCutsRunCleanly) {
  const std::filesystem::path corpus =
      std::filesystem::path(KV_SOURCE_DIR) / "tests/fuzz/http_response_corpus";
  int seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string seed((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().filename().string());
    for (std::size_t size = 0; size <= seed.size(); ++size) {
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(seed.data()), size);
    }
    ++seeds;
  }
  EXPECT_GE(seeds, 10);
}

}  // namespace
