// Folders, the program's own version block and resources, and facts about the machine.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "platform/version_block.h"
#include "platform/version_info.h"

namespace platform {
namespace {

TEST(PathsTest, ModulePathIsThisTestProgram) {
  const std::wstring path = GetModulePath();
  ASSERT_FALSE(path.empty());
  const std::wstring name = path.substr(path.find_last_of(L"/\\") + 1);
  EXPECT_EQ(name.substr(0, name.find(L'.')), L"platform_tests");  // platform_tests.exe on Windows
}

TEST(VersionBlockTest, ParsesValuesAndVersions) {
  const std::string block = "FileDescription=Kelvane Wayvo Setup\r\nFileVersion=1.2.3.4\n";
  EXPECT_EQ(FindVersionBlockValue(block, "FileDescription"), "Kelvane Wayvo Setup");
  EXPECT_EQ(FindVersionBlockValue(block, "File"), std::nullopt);
  const auto version = ParseFileVersion("1.2.3.4");
  ASSERT_TRUE(version);
  EXPECT_EQ(version->build, 3u);
  EXPECT_EQ(ParseFileVersion("7")->major, 7u);
  for (const char* bad : {"", "1..2", "1.2.3.4.5", "a.b", "70000.1", "1."}) {
    EXPECT_FALSE(ParseFileVersion(bad)) << bad;
  }
}

TEST(ResourcesTest, LooksUpByTypeAndId) {
  static const unsigned char pack[] = "zip";
  static const unsigned char skin[] = "skin";
  static const EmbeddedResource table[] = {
      {{kResourceRcData, nullptr}, 105, pack, pack + 3},
      {{0, L"ZIPRES"}, 104, skin, skin + 4},
  };
  RegisterEmbeddedResources(table, 2);
  ASSERT_TRUE(FindResource({kResourceRcData, nullptr}, 105));
  EXPECT_EQ(FindResource({kResourceRcData, nullptr}, 105)->size, 3u);
  EXPECT_EQ(FindResource({0, L"ZIPRES"}, 104)->data, skin);
  EXPECT_FALSE(FindResource({kResourceRcData, nullptr}, 104));
  EXPECT_FALSE(FindResource({0, L"zipres"}, 104));
  EXPECT_FALSE(FindResource({kResourceRcData, nullptr}, 106));
  RegisterEmbeddedResources(nullptr, 0);
}

TEST(SystemInfoTest, ReadsTheMachine) {
  EXPECT_FALSE(GetOSProductName().empty());
#if defined(__x86_64__)
  EXPECT_TRUE(IsNativeProcessor64Bit());
#endif
}

}  // namespace
}  // namespace platform
