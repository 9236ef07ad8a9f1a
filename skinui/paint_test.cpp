// Painting the shipped skin offscreen, checked at pixels where a fault would show.
#include <gtest/gtest.h>

#include <cstdlib>

#include "skinui/button.h"
#include "skinui/label.h"
#include "skinui/offscreen.h"
#include "skinui/progress.h"
#include "skinui/skin_fixture.h"
#include "skinui/tab_layout.h"

namespace SkinUI {
namespace {

bool Near(Color actual, Color expected, int tolerance = 6) {
  return std::abs(ColorRed(actual) - ColorRed(expected)) <= tolerance &&
         std::abs(ColorGreen(actual) - ColorGreen(expected)) <= tolerance &&
         std::abs(ColorBlue(actual) - ColorBlue(expected)) <= tolerance &&
         std::abs(ColorAlpha(actual) - ColorAlpha(expected)) <= tolerance;
}

std::string Hex(Color c) {
  char text[16];
  std::snprintf(text, sizeof(text), "#%08X", c);
  return text;
}

constexpr Color kTrack = 0xFFC3DBFF;
constexpr Color kBlue = 0xFF337BDD;

TEST(SkinPaint, ProgressForeImageIsCutAtTheValue) {
  SkinFixture skin(L"window.xml");
  skin.Find<CTabLayout>(L"switch")->SelectItem(1);
  auto* bar = skin.Find<CProgress>(L"progress_download");
  bar->SetValue(30);
  COffscreenCanvas canvas(skin.manager().GetInitialSize());
  canvas.PaintWindow(skin.manager());
  const Rect pos = bar->GetPos();
  const int y = (pos.top + pos.bottom) / 2;
  const int cut = pos.left + pos.Width() * 30 / 100;
  const Color filled = canvas.Pixel(cut - 3, y);
  EXPECT_LT(ColorRed(filled), 0x90) << "the filled part is blue: " << Hex(filled);
  EXPECT_TRUE(Near(canvas.Pixel(cut + 3, y), kTrack)) << Hex(canvas.Pixel(cut + 3, y));
  EXPECT_TRUE(Near(canvas.Pixel(pos.right - 5, y), kTrack));

  bar->SetValue(150);
  EXPECT_EQ(bar->GetValue(), 100) << "clamped";
  canvas.PaintWindow(skin.manager());
  EXPECT_LT(ColorRed(canvas.Pixel(pos.right - 5, y)), 0x90) << "full at 100";
  bar->SetValue(-5);
  EXPECT_EQ(bar->GetValue(), 0);
  canvas.PaintWindow(skin.manager());
  EXPECT_TRUE(Near(canvas.Pixel(pos.left + 5, y), kTrack)) << "empty at 0";
}

TEST(SkinPaint, RightToLeftBarFillsFromTheRight) {
  SkinFixture skin(L"window_rtl.xml");
  skin.Find<CTabLayout>(L"switch")->SelectItem(1);
  auto* bar = skin.Find<CProgress>(L"progress_download");
  bar->SetValue(100 - 30);  // 30 % done
  COffscreenCanvas canvas(skin.manager().GetInitialSize());
  canvas.PaintWindow(skin.manager());
  const Rect pos = bar->GetPos();
  const int y = (pos.top + pos.bottom) / 2;
  const int cut = pos.left + pos.Width() * 70 / 100;
  EXPECT_TRUE(Near(canvas.Pixel(cut - 3, y), kTrack)) << Hex(canvas.Pixel(cut - 3, y));
  EXPECT_TRUE(Near(canvas.Pixel(cut + 3, y), kBlue)) << Hex(canvas.Pixel(cut + 3, y));
  EXPECT_TRUE(Near(canvas.Pixel(pos.right - 5, y), kBlue));
}

// What a state picture alone looks like at a point of the button.
Color PictureAt(SkinFixture& skin, const wchar_t* file, const Rect& dest, Point p) {
  COffscreenCanvas canvas(skin.manager().GetInitialSize());
  auto image = skin.manager().GetImage(canvas.Renderer(), file);
  EXPECT_TRUE(image);
  if (!image) return 0;
  canvas.Renderer().FillRect({0, 0, 650, 360}, 0xFFFFFFFF);
  canvas.Renderer().DrawImage(*image, dest, {0, 0, image->Width(), image->Height()});
  return canvas.Pixel(p.x, p.y);
}

TEST(SkinPaint, ButtonStatesDrawTheirPictures) {
  SkinFixture skin(L"window.xml");
  auto* install = skin.Find<CButton>(L"btn_install");
  const Rect pos = install->GetPos();
  const Point probe{pos.left + 12, pos.top + 12};  // clear of the text
  const Point centre{(pos.left + pos.right) / 2, (pos.top + pos.bottom) / 2};
  COffscreenCanvas canvas(skin.manager().GetInitialSize());
  LResult result = 0;
  const struct {
    const char* state;
    const wchar_t* picture;
  } states[] = {{"normal", L"img/button_normal.png"},
                {"hover", L"img/button_hover.png"},
                {"pressed", L"img/button_pressing.png"},
                {"disabled", L"img/button_disable.png"}};
  for (const auto& state : states) {
    const std::string name = state.state;
    if (name == "hover") {
      skin.manager().MessageHandler(kWmMouseMove, 0, MakePointParam(centre.x, centre.y), result);
      ASSERT_TRUE(install->IsHot());
    } else if (name == "pressed") {
      skin.manager().MessageHandler(kWmLButtonDown, 0, MakePointParam(centre.x, centre.y), result);
    } else if (name == "disabled") {
      skin.manager().MessageHandler(kWmLButtonUp, 0, MakePointParam(5, 5), result);
      install->SetEnabled(false);
    }
    canvas.PaintWindow(skin.manager());
    const Color expected = PictureAt(skin, state.picture, pos, probe);
    EXPECT_TRUE(Near(canvas.Pixel(probe.x, probe.y), expected, 2))
        << name << ": " << Hex(canvas.Pixel(probe.x, probe.y)) << " vs " << Hex(expected);
  }
  EXPECT_FALSE(Near(PictureAt(skin, L"img/button_normal.png", pos, probe),
                    PictureAt(skin, L"img/button_hover.png", pos, probe), 2))
      << "hover must look different from normal";
}

TEST(SkinPaint, MissingPictureDrawsNothing) {
  SkinFixture skin(L"window_rtl.xml");
  skin.Find<CTabLayout>(L"switch")->SelectItem(1);
  COffscreenCanvas canvas(skin.manager().GetInitialSize());
  canvas.PaintWindow(skin.manager());
  const Rect banner = skin.Find(L"banner")->GetPos();
  EXPECT_EQ(canvas.Pixel(banner.left + 100, banner.top + 100), 0xFFFFFFFFu)
      << "language\\pr_01.png is not in the archive: the white window shows";
}

// The ink of a text: the leftmost and rightmost columns holding a dark pixel.
std::pair<int, int> InkColumns(const COffscreenCanvas& canvas, const Rect& rect) {
  int first = -1;
  int last = -1;
  for (int x = rect.left; x < rect.right; ++x) {
    for (int y = rect.top; y < rect.bottom; ++y) {
      if (ColorRed(canvas.Pixel(x, y)) < 0x80) {
        if (first < 0) first = x;
        last = x;
        break;
      }
    }
  }
  return {first, last};
}

TEST(SkinPaint, TextIsPlacedByItsAlignmentWhateverItsDirection) {
  const Rect rect{20, 10, 420, 40};
  FontSpec font;
  font.size = 14;
  const wchar_t* texts[] = {
      L"Installation Path", L"\u0645\u0633\u0627\u0631 \u0627\u0644\u062A\u062B\u0628\u064A\u062A",
      L"\u0E40\u0E2A\u0E49\u0E19\u0E17\u0E32\u0E07", L"\u5B89\u88C5\u8DEF\u5F84"};
  for (const wchar_t* text : texts) {
    for (HorizontalAlign horizontal : {HorizontalAlign::kLeft, HorizontalAlign::kRight}) {
      COffscreenCanvas canvas({440, 50});
      canvas.Renderer().FillRect({0, 0, 440, 50}, 0xFFFFFFFF);
      TextAlign align;
      align.horizontal = horizontal;
      canvas.Renderer().DrawText(rect, PlainText(text), font, 0xFF000000, align);
      const auto [first, last] = InkColumns(canvas, rect);
      ASSERT_GE(first, 0) << "no ink";
      if (horizontal == HorizontalAlign::kLeft) {
        EXPECT_LE(first, rect.left + 3);
      } else {
        EXPECT_GE(last, rect.right - 4);
      }
    }
  }
}

TEST(SkinPaint, MarkupColourSpanIsDrawnInItsColour) {
  SkinFixture skin(L"window.xml");
  CControl* licence = skin.Find(L"btn_lisence");
  licence->SetText(L"I agree to {c #FF0000}THE LICENCE AGREEMENT{/c}");
  COffscreenCanvas canvas(skin.manager().GetInitialSize());
  canvas.PaintWindow(skin.manager());
  const Rect pos = licence->GetPos();
  int red = 0;
  int dark = 0;
  for (int x = pos.left; x < pos.right; ++x) {
    for (int y = pos.top; y < pos.bottom; ++y) {
      const Color c = canvas.Pixel(x, y);
      if (ColorRed(c) > 0xC0 && ColorGreen(c) < 0x60) ++red;
      if (ColorRed(c) < 0x60 && ColorGreen(c) < 0x60) ++dark;
    }
  }
  EXPECT_GT(red, 20);
  EXPECT_GT(dark, 20);
}

}  // namespace
}  // namespace SkinUI
