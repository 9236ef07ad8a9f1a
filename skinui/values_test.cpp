#include "skinui/values.h"

#include <gtest/gtest.h>

namespace SkinUI {
namespace {

TEST(SkinValues, ReadsGoodValuesAndRefusesBadOnes) {
  Rect rect;
  std::string error;
  EXPECT_TRUE(ParseRect(L"40, 21,40,0", rect, error));
  EXPECT_EQ(rect, (Rect{40, 21, 40, 0}));
  Size size;
  EXPECT_TRUE(ParseSize(L"650,360", size, error));
  EXPECT_EQ(size, (Size{650, 360}));
  Color color = 0;
  EXPECT_TRUE(ParseColor(L"#00CCCCCC", color, error));
  EXPECT_EQ(color, 0x00CCCCCCu);
  EXPECT_TRUE(ParseColor(L"FF1A57A9", color, error)) << "the # may be left out";
  EXPECT_EQ(color, 0xFF1A57A9u);
  EXPECT_TRUE(ParseColor(L"#337bdd", color, error));
  EXPECT_EQ(color, 0xFF337BDDu) << "six digits are opaque";
  int number = 0;
  EXPECT_TRUE(ParseInt(L"-3", number, error));
  EXPECT_EQ(number, -3);

  const struct {
    const wchar_t* text;
    int kind;  // 0 int, 1 rect, 2 size, 3 colour, 4 bool
  } bad[] = {{L"", 0},      {L"12px", 0},      {L"99999999999", 0},
             {L"1,2,3", 1}, {L"1,2,3,4,5", 1}, {L"a,b,c,d", 1},
             {L"650", 2},   {L"#12345", 3},    {L"#GG0000FF", 3},
             {L"yes", 4},   {L"", 4}};
  for (const auto& c : bad) {
    error.clear();
    bool ok = true;
    bool flag = false;
    switch (c.kind) {
      case 0:
        ok = ParseInt(c.text, number, error);
        break;
      case 1:
        ok = ParseRect(c.text, rect, error);
        break;
      case 2:
        ok = ParseSize(c.text, size, error);
        break;
      case 3:
        ok = ParseColor(c.text, color, error);
        break;
      default:
        ok = ParseBool(c.text, flag, error);
        break;
    }
    EXPECT_FALSE(ok) << Quote(c.text);
    EXPECT_NE(error.find("expected"), std::string::npos) << error;
  }
}

TEST(SkinValues, ImageSpecsTakeAFileAndOptionalRectangles) {
  ImageSpec image;
  std::string error;
  ASSERT_TRUE(ParseImageSpec(L"img/logo.png", image, error));
  EXPECT_EQ(image.file, L"img/logo.png");
  EXPECT_FALSE(image.dest);
  ASSERT_TRUE(ParseImageSpec(L"file='img/checked.png' dest='0,8,14,22'", image, error));
  EXPECT_EQ(image.file, L"img/checked.png");
  ASSERT_TRUE(image.dest);
  EXPECT_EQ(*image.dest, (Rect{0, 8, 14, 22}));
  for (const wchar_t* text : {L"file='a.png' dest='1,2'", L"file='a.png' corner='1,1,1,1'",
                              L"dest='0,0,1,1'", L"file='a.png"}) {
    EXPECT_FALSE(ParseImageSpec(text, image, error)) << Quote(text);
  }
  EXPECT_EQ(NormalizeSkinPath(L"language\\pr_01.png"), L"language/pr_01.png");
  EXPECT_EQ(NormalizeSkinPath(L"./img/a.png"), L"img/a.png");
}

}  // namespace
}  // namespace SkinUI
