// Runs the banner answer's fuzz target over its seed corpus and every cut of each seed in the
// ordinary build, and checks the reader on the answers that matter.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/banner_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

TEST(BannerAnswerFuzz, SeedsAndTheirCutsRunCleanly) {
  const std::filesystem::path corpus =
      std::filesystem::path(KV_SOURCE_DIR) / "tests/fuzz/corpus/banner_answer";
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
  EXPECT_GE(seeds, 6);
}

TEST(BannerAnswer, MembersOfTheWrongKindAreIgnored) {
  struct Case {
    const char* text;
    bool parsed;
    int code;
    std::size_t images;
    const char* first_url;
    const char* first_md5;
  };
  const Case cases[] = {
      {R"({"code":1,"message":"ok","data":{"list":[{"url":"u","md5":"M"},{}]}})", true, 1, 2, "u",
       "M"},
      {R"({"code":"1","data":{"list":[{"url":"u"}]}})", true, -1, 1, "u", ""},
      {R"({"code":1.5,"data":{"list":"x"}})", true, -1, 0, "", ""},
      {R"({"code":1,"data":[{"list":[]}]})", true, 1, 0, "", ""},
      {R"({"code":1,"data":{"list":[7,{"url":3,"md5":"d"}]}})", true, 1, 2, "", ""},
      {R"([1,2,3])", true, -1, 0, "", ""},
      {R"({"code":1,)", false, -1, 0, "", ""},
      {"", false, -1, 0, "", ""},
  };
  for (const auto& c : cases) {
    ApiResponse response;
    std::vector<ImageInfo> images;
    EXPECT_EQ(ParseApiResponse(response, images, c.text), c.parsed) << c.text;
    EXPECT_EQ(response.code, c.code) << c.text;
    ASSERT_EQ(images.size(), c.images) << c.text;
    if (!images.empty()) {
      EXPECT_EQ(images[0].url, c.first_url) << c.text;
      EXPECT_EQ(images[0].md5, c.first_md5) << c.text;
    }
  }
}

}  // namespace
