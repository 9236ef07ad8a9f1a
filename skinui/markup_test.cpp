#include "skinui/markup.h"

#include <gtest/gtest.h>

namespace SkinUI {
namespace {

TEST(SkinMarkup, SplitsColourUnderlineAndLinkSpans) {
  const StyledText text =
      ParseMarkup(L"I agree to {c #337BDD}Kelvane {u}{a https://x.example/l}Licence{/a}{/u}{/c}.");
  ASSERT_EQ(text.runs.size(), 4u);
  EXPECT_EQ(text.runs[0].text, L"I agree to ");
  EXPECT_FALSE(text.runs[0].color);
  EXPECT_EQ(text.runs[1].text, L"Kelvane ");
  EXPECT_EQ(text.runs[1].color, 0xFF337BDDu);
  EXPECT_FALSE(text.runs[1].underline);
  EXPECT_EQ(text.runs[2].text, L"Licence");
  EXPECT_TRUE(text.runs[2].underline);
  EXPECT_EQ(text.runs[2].color, 0xFF337BDDu);
  EXPECT_EQ(text.runs[2].link, L"https://x.example/l");
  EXPECT_EQ(text.runs[3].text, L".");
  EXPECT_FALSE(text.runs[3].color);
  EXPECT_EQ(text.Plain(), L"I agree to Kelvane Licence.");
}

TEST(SkinMarkup, LeavesWhatIsNotATagAsText) {
  const struct {
    const wchar_t* markup;
    const wchar_t* plain;
  } cases[] = {
      {L"{c red}x{/c}", L"{c red}x{/c}"},  // not a colour; the stray close stays too
      {L"50 {percent}", L"50 {percent}"},  // unknown tag
      {L"open {c #FF0000}never closed", L"open never closed"},
      {L"{/u}{/a}", L"{/u}{/a}"},  // closing what was never opened
      {L"brace { alone", L"brace { alone"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseMarkup(c.markup).Plain(), c.plain) << c.markup;
}

}  // namespace
}  // namespace SkinUI
