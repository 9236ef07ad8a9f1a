#include "platform/profile_parser.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(ProfileParserTest, DecodesEveryEncodingTheSameWay) {
  const std::wstring expected = L"[S]\r\nK=caf\u00E9\r\n";
  const std::string utf8 = "[S]\r\nK=caf\xC3\xA9\r\n";
  std::string utf16le = "\xFF\xFE";
  std::string utf16be = "\xFE\xFF";
  for (wchar_t c : expected) {
    utf16le += static_cast<char>(c & 0xFF), utf16le += static_cast<char>(c >> 8);
    utf16be += static_cast<char>(c >> 8), utf16be += static_cast<char>(c & 0xFF);
  }
  EXPECT_EQ(DecodeProfileText(utf16le), expected);
  EXPECT_EQ(DecodeProfileText(utf16be), expected);
  EXPECT_EQ(DecodeProfileText("\xEF\xBB\xBF" + utf8), expected);
  EXPECT_EQ(DecodeProfileText(utf8), expected);
  EXPECT_EQ(DecodeProfileText("[S]\r\nK=caf\xE9\r\n"), expected);  // single-byte
}

TEST(ProfileParserTest, DecodesSurrogatePairsOfUtf16) {
  EXPECT_EQ(DecodeProfileText(std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6)), L"\U0001F600");
}

TEST(ProfileParserTest, SplitsSectionsAndEntries) {
  const auto sections = ParseProfile(
      L"stray=before any section\r\n"
      L"[First]\r\n"
      L"  A = 1  \r\n"
      L"; a comment\r\n"
      L"B=2=3\n"
      L"bare line\r\n"
      L"\r\n"
      L"[ Second ]\r"
      L"C=\r\n");
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].name, L"First");
  ASSERT_EQ(sections[0].entries.size(), 3u);
  EXPECT_EQ(sections[0].entries[0].key, L"A");
  EXPECT_EQ(sections[0].entries[0].value, L"1");
  EXPECT_EQ(sections[0].entries[1].value, L"2=3");
  EXPECT_EQ(sections[0].entries[2].key, L"bare line");
  EXPECT_FALSE(sections[0].entries[2].has_equals);
  EXPECT_EQ(sections[1].name, L"Second");
  EXPECT_TRUE(sections[1].entries[0].has_equals);
  EXPECT_EQ(sections[1].entries[0].value, L"");
  EXPECT_NE(FindProfileSection(sections, L"second"), nullptr);
  EXPECT_EQ(FindProfileSection(sections, L"Third"), nullptr);
}

}  // namespace
}  // namespace platform
