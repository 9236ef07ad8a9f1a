#include "Window/installer_digest.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

constexpr char kAbcDigest[] = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(InstallerDigestTest, HashesTheWholeFile) {
  kvtest::TempFolder temp;
  temp.Write("abc", "abc");
  EXPECT_EQ(FileSha256Hex(temp.Wide("abc")), std::string(kAbcDigest));
  // Larger than one read, so the pieces are put together right.
  temp.Write("big", std::string(std::size_t{200} * 1024, 'a'));
  EXPECT_EQ(FileSha256Hex(temp.Wide("big"))->size(), 64u);
  EXPECT_NE(FileSha256Hex(temp.Wide("big")), FileSha256Hex(temp.Wide("abc")));
  EXPECT_EQ(FileSha256Hex(temp.Wide("missing")), std::nullopt);
}

TEST(InstallerDigestTest, ReadsThePublishedText) {
  const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
  struct Case {
    std::string text;
    std::optional<std::string> digest;
  };
  const Case cases[] = {
      {kAbcDigest, std::string(kAbcDigest)},
      {std::string(kAbcDigest) + "  kelvane-wayvo.exe\n", std::string(kAbcDigest)},
      {"\n " + upper + "\r\n", std::string(kAbcDigest)},
      {std::string(kAbcDigest).substr(0, 63), std::nullopt},
      {std::string(kAbcDigest) + "0", std::nullopt},
      {std::string(63, '0') + "g", std::nullopt},
      {"<html>Not Found</html>", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseDigestText(c.text), c.digest) << c.text;
}

}  // namespace
