#include "platform/trim.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(TrimTest, CutsBlanksAtBothEndsOnly) {
  const struct {
    const char* text;
    const char* trimmed;
  } kCases[] = {
      {"", ""},
      {" \t\r\n", ""},
      {"a", "a"},
      {"  key = value \r\n", "key = value"},
      {"\tx\ty\t", "x\ty"},
      {"\vx\f", "\vx\f"},  // only space, tab, CR and LF are blanks
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Trim(std::string(c.text)), c.trimmed) << c.text;
    const std::string text = c.text;
    const std::string trimmed = c.trimmed;
    EXPECT_EQ(Trim(std::wstring(text.begin(), text.end())),
              std::wstring(trimmed.begin(), trimmed.end()));
  }
  EXPECT_EQ(Trim(std::wstring(L" \u00A0caf\u00E9 ")), L"\u00A0caf\u00E9");
}

}  // namespace
}  // namespace platform
