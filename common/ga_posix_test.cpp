// The client identifier in the Linux file store: the bytes the registry would hold, and a store
// that cannot be used.
#include <gtest/gtest.h>

#include "common/ga.h"
#include "platform/registry.h"
#include "tests/support/temp_folder.h"

namespace {

TEST(GAFileStore, TheIdentifierIsStoredAsRegSzWithoutItsNul) {
  kvtest::TempFolder folder;
  platform::SetRegistryStoreFolder(folder.Wide("store"));
  const std::string id = CGA().ClientId();
  const std::string bytes =
      kvtest::ReadFile(folder.path() / "store/SOFTWARE/WOW6432Node/Kelvane/KelvaneDown/GUID");
  platform::SetRegistryStoreFolder(L"");
  ASSERT_EQ(id.size(), 36u);
  // UTF-16LE: each character, then a zero byte.
  ASSERT_EQ(bytes.size(), 2 * id.size());
  for (std::size_t i = 0; i < id.size(); ++i) {
    EXPECT_EQ(bytes[2 * i], id[i]);
    EXPECT_EQ(bytes[2 * i + 1], '\0');
  }
}

TEST(GAFileStore, NoUsableStoreGivesAnEmptyIdentifier) {
  kvtest::TempFolder blocked;
  blocked.Write("file", "x");
  platform::SetRegistryStoreFolder(blocked.Wide("file"));
  EXPECT_EQ(CGA().GetClientId(), L"");
  platform::SetRegistryStoreFolder(L"");
}

}  // namespace
