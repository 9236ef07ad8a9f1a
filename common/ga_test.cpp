#include "common/ga.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/registry.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

class GATest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetRegistryStoreFolder(folder_.Wide("store")); }
  void TearDown() override { platform::SetRegistryStoreFolder(L""); }

  // Leaves `stored` as the client identifier, as an earlier run or a damaged store did.
  static void Store(const std::string& stored) {
    platform::RegistryKey key;
    platform::RegistryDisposition disposition;
    ASSERT_TRUE(key.Create(kGAKey, disposition));
    ASSERT_TRUE(key.WriteString(kGAValueName, platform::Utf8ToWide(stored)));
  }

  kvtest::TempFolder folder_;
};

const std::regex kGuidForm("[0-9A-F]{8}-[0-9A-F]{4}-[0-9a-f]{4}-[0-9A-F]{4}-[0-9A-F]{12}");

TEST_F(GATest, BodyIsThePrettyWritersLayout) {
  CGA ga;
  ga.SetTitle(L"Kelvane Wayvo (Windows version)");
  const std::string id = ga.ClientId();
  ASSERT_TRUE(std::regex_match(id, kGuidForm)) << id;
  EXPECT_EQ(ga.BuildBody("Installed_Succeed"),
            "{\n"
            "    \"client_id\": \"" +
                id +
                "\",\n"
                "    \"user_properties\": {\n"
                "        \"uid\": {\n"
                "            \"value\": \"" +
                id +
                "\"\n"
                "        }\n"
                "    },\n"
                "    \"events\": [\n"
                "        {\n"
                "            \"name\": \"Installed_Succeed\",\n"
                "            \"params\": {\n"
                "                \"event_category\": \"Kelvane Wayvo (Windows version)\",\n"
                "                \"event_label\": \"" +
                id +
                "\"\n"
                "            }\n"
                "        }\n"
                "    ]\n"
                "}");
}

TEST_F(GATest, TitleIsEscapedAndSentAsUtf8) {
  CGA ga;
  ga.SetTitle(L"K\"l\\v\u00e9ne\n");
  const std::string body = ga.BuildBody("Downloader_Installed");
  EXPECT_NE(body.find("\"event_category\": \"K\\\"l\\\\v\xc3\xa9ne\\n\""), std::string::npos)
      << body;
}

TEST_F(GATest, FilterLeavesOutOrKeepsNamedMembers) {
  GABody body{"id", "uid-value", {{"e", "c", "l"}}};
  auto allocator = std::make_shared<JsonAllocator>();
  CDownloaderGAJSONStruct left_out(&body, allocator, 0, {"user_properties", "event_label"});
  EXPECT_EQ(ToJsonString(left_out, *allocator).find("user_properties"), std::string::npos);
  EXPECT_EQ(ToJsonString(left_out, *allocator).find("event_label"), std::string::npos);
  EXPECT_NE(ToJsonString(left_out, *allocator).find("event_category"), std::string::npos);

  CDownloaderGAJSONStruct only(&body, allocator, 1, {"client_id"});
  EXPECT_EQ(ToJsonString(only, *allocator), "{\n    \"client_id\": \"id\"\n}");

  CDownloaderGAJSONStruct everything(&body, allocator, 7, {"client_id"});
  EXPECT_NE(ToJsonString(everything, *allocator).find("client_id"), std::string::npos);
}

TEST_F(GATest, ClientIdIsKeptAcrossRunsAndReplacedWhenDamaged) {
  const std::string first = CGA().ClientId();
  ASSERT_TRUE(std::regex_match(first, kGuidForm)) << first;
  EXPECT_EQ(CGA().ClientId(), first);

  const std::string damaged[] = {
      "{" + first + "}", "1B4E28BA 2FA1", "",
      std::string(1025, 'A'),  // 2050 bytes: more than the read buffer
  };
  for (const auto& stored : damaged) {
    Store(stored);
    const std::string replaced = CGA().ClientId();
    EXPECT_TRUE(std::regex_match(replaced, kGuidForm)) << replaced;
    EXPECT_NE(replaced, first);
    EXPECT_EQ(CGA().ClientId(), replaced);
  }
  // Letters, digits and hyphens of another form are accepted as they are.
  Store("aB-7");
  EXPECT_EQ(CGA().ClientId(), "aB-7");
}

TEST(GAText, SecretIsMaskedInLoggedUrls) {
  const struct {
    const char* url;
    const char* masked;
  } cases[] = {
      {"https://h/mp/collect?measurement_id=G-1&api_secret=abcDEF123",
       "https://h/mp/collect?measurement_id=G-1&api_secret=***"},
      {"https://h/mp/collect?api_secret=abc&measurement_id=G-1",
       "https://h/mp/collect?api_secret=***&measurement_id=G-1"},
      {"https://h/mp/collect?measurement_id=G-1", "https://h/mp/collect?measurement_id=G-1"},
      {"https://h/mp/collect?x_api_secret=keep", "https://h/mp/collect?x_api_secret=keep"},
  };
  for (const auto& c : cases) EXPECT_EQ(CGA::MaskSecret(c.url), c.masked);
}

TEST(GAText, GuidTextHasALowerCaseThirdGroup) {
  for (int i = 0; i < 20; ++i) {
    const std::string text = platform::WideToUtf8(NewGuidText());
    EXPECT_EQ(text.size(), 36u);
    EXPECT_TRUE(std::regex_match(text, kGuidForm)) << text;
  }
}

}  // namespace
