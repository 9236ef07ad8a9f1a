// The machine value store as every caller sees it, the same on both systems; the tests keep
// their own store (a folder on Linux, a private key of the user on Windows).
#include "platform/registry.h"

#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"

namespace {

using platform::RegistryDisposition;
using platform::RegistryKey;

constexpr wchar_t kParent[] = L"SOFTWARE\\WOW6432Node\\Kelvane";
constexpr wchar_t kKey[] = L"SOFTWARE\\WOW6432Node\\Kelvane\\KelvaneDown";

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetRegistryStoreFolder(folder_.Wide("store")); }
  void TearDown() override { platform::SetRegistryStoreFolder(L""); }

  kvtest::TempFolder folder_;
};

TEST_F(RegistryTest, CreateTellsANewKeyFromAnExistingOneAndMakesItsParents) {
  RegistryKey key;
  RegistryDisposition disposition = RegistryDisposition::kOpenedExistingKey;
  EXPECT_FALSE(key.Open(kKey));
  ASSERT_TRUE(key.Create(kKey, disposition));
  EXPECT_TRUE(key.IsOpen());
  EXPECT_EQ(disposition, RegistryDisposition::kCreatedNewKey);
  key.Close();
  EXPECT_FALSE(key.IsOpen());
  ASSERT_TRUE(key.Create(kKey, disposition));
  EXPECT_EQ(disposition, RegistryDisposition::kOpenedExistingKey);

  RegistryKey parent;
  EXPECT_TRUE(parent.Open(kParent));
  ASSERT_TRUE(parent.Create(kParent, disposition));
  EXPECT_EQ(disposition, RegistryDisposition::kOpenedExistingKey);

  for (const wchar_t* bad : {L"", L"\\SOFTWARE", L"SOFTWARE\\", L"SOFTWARE\\\\Kelvane"}) {
    EXPECT_FALSE(key.Create(bad, disposition)) << bad;
    EXPECT_FALSE(key.IsOpen());
  }
}

TEST_F(RegistryTest, TextValuesRoundTripWithinTheReadLimit) {
  RegistryKey key;
  RegistryDisposition disposition;
  ASSERT_TRUE(key.Create(kKey, disposition));
  const std::wstring text = L"Jos\u00e9-\u4e2d\u6587-1B4E28BA";
  ASSERT_TRUE(key.WriteString(L"GUID", text));

  RegistryKey reader;
  ASSERT_TRUE(reader.Open(kKey));
  std::wstring value;
  ASSERT_TRUE(reader.ReadString(L"GUID", value, 2048));
  EXPECT_EQ(value, text);
  // Two bytes a character: a limit one byte short refuses the value and leaves `value` alone.
  ASSERT_TRUE(reader.ReadString(L"GUID", value, 2 * text.size()));
  value = L"kept";
  EXPECT_FALSE(reader.ReadString(L"GUID", value, 2 * text.size() - 1));
  EXPECT_EQ(value, L"kept");
  EXPECT_FALSE(reader.ReadString(L"Missing", value, 2048));

  // A shorter text replaces a longer one whole; an empty text is a value too.
  ASSERT_TRUE(reader.WriteString(L"GUID", L"ab"));
  ASSERT_TRUE(key.ReadString(L"GUID", value, 2048));
  EXPECT_EQ(value, L"ab");
  ASSERT_TRUE(key.WriteString(L"GUID", L""));
  ASSERT_TRUE(key.ReadString(L"GUID", value, 2048));
  EXPECT_EQ(value, L"");

  key.Close();
  EXPECT_FALSE(key.WriteString(L"GUID", L"closed"));
  EXPECT_FALSE(key.ReadString(L"GUID", value, 2048));
}

TEST_F(RegistryTest, EachFolderIsAStoreOfItsOwn) {
  RegistryKey key;
  RegistryDisposition disposition;
  ASSERT_TRUE(key.Create(kKey, disposition));
  ASSERT_TRUE(key.WriteString(L"GUID", L"first"));
  key.Close();
  kvtest::TempFolder other;
  platform::SetRegistryStoreFolder(other.Wide("store"));
  EXPECT_FALSE(key.Open(kKey));
  ASSERT_TRUE(key.Create(kKey, disposition));
  EXPECT_EQ(disposition, RegistryDisposition::kCreatedNewKey);
}

}  // namespace
