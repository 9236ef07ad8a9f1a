// The layout of the shipped skin: the sizes and positions the installer relies on.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "skinui/container.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/skin_fixture.h"
#include "skinui/tab_layout.h"
#include "tests/support/temp_folder.h"
#include "tools/kvpack/pack_writer.h"

namespace SkinUI {
namespace {

TEST(SkinLayout, WindowHasItsSizeAndGrowsBy75WithTheCustomArea) {
  for (const wchar_t* file : {L"window.xml", L"window_rtl.xml"}) {
    SkinFixture skin(file);
    CPaintManager& manager = skin.manager();
    EXPECT_EQ(manager.GetInitialSize(), (Size{650, 360}));
    EXPECT_EQ(manager.GetSizeBox(), (Rect{4, 4, 4, 4}));
    EXPECT_EQ(manager.GetCaption(), (Rect{0, 0, 0, 290}));
    EXPECT_EQ(manager.GetFont(0).family, L"Segoe UI Semibold");
    EXPECT_EQ(manager.GetFont(0).size, 26);
    EXPECT_EQ(manager.GetFont(1).size, 14);
    EXPECT_EQ(manager.GetRoot()->GetPos(), (Rect{0, 0, 650, 360}));
    EXPECT_EQ(skin.Find(L"switch")->GetPos().bottom, 359) << "the pages fill the window";

    skin.Unfold();
    const Rect pages = skin.Find(L"switch")->GetPos();
    const Rect bottom = skin.Find(L"bottomLayout")->GetPos();
    EXPECT_EQ(pages.bottom, 359) << "the pages keep their height";
    EXPECT_EQ(bottom.top, 359);
    EXPECT_EQ(bottom.Height(), 75);
    const Rect edit = skin.Find(L"edit_path")->GetPos();
    EXPECT_EQ(edit.top, 359 + 1 + 21) << "below the separator and the area's inset";
    EXPECT_EQ(edit.Height(), 32);
  }
}

TEST(SkinLayout, PathRowIsMirroredRightToLeft) {
  SkinFixture ltr(L"window.xml");
  ltr.Unfold();
  const Rect label = ltr.Find(L"label_path")->GetPos();
  const Rect edit = ltr.Find(L"edit_path")->GetPos();
  const Rect browse = ltr.Find(L"btn_browse")->GetPos();
  EXPECT_EQ(edit.Width(), 300);
  EXPECT_EQ(browse.Width(), 90);
  EXPECT_EQ(label.left, 1 + 40);
  EXPECT_EQ(label.right + 15, edit.left);
  EXPECT_EQ(edit.right + 15, browse.left);
  EXPECT_EQ(browse.right, 650 - 1 - 40);

  SkinFixture rtl(L"window_rtl.xml");
  rtl.Unfold();
  const Rect rtl_label = rtl.Find(L"label_path")->GetPos();
  const Rect rtl_edit = rtl.Find(L"edit_path")->GetPos();
  const Rect rtl_browse = rtl.Find(L"btn_browse")->GetPos();
  EXPECT_EQ(rtl_edit.Width(), 370);
  EXPECT_EQ(rtl_browse.left, 1 + 40);
  EXPECT_LT(rtl_browse.right, rtl_edit.left);
  EXPECT_LT(rtl_edit.right, rtl_label.left);
  EXPECT_EQ(rtl_label.right, 650 - 1 - 40);
}

TEST(SkinLayout, TitleAndAgreementRowsAreMirroredRightToLeft) {
  SkinFixture ltr(L"window.xml");
  const Rect min = ltr.Find(L"minbtn")->GetPos();
  const Rect close = ltr.Find(L"closebtn")->GetPos();
  EXPECT_EQ(min.Width(), 20);
  EXPECT_EQ(min.Height(), 20);
  EXPECT_LT(min.right, close.left);
  EXPECT_EQ(close.right, 650 - 1 - 10) << "close sits at the right edge of the title row";
  const Rect agree = ltr.Find(L"chk_agree")->GetPos();
  const Rect licence = ltr.Find(L"btn_lisence")->GetPos();
  const Rect fold = ltr.Find(L"chk_fold")->GetPos();
  EXPECT_EQ(agree.left, 1 + 20);
  EXPECT_EQ(agree.right, licence.left);
  EXPECT_EQ(licence.right, fold.left);
  EXPECT_EQ(fold.Width(), 200);
  EXPECT_EQ(fold.right, 650 - 1 - 20);

  SkinFixture rtl(L"window_rtl.xml");
  const Rect rtl_min = rtl.Find(L"minbtn")->GetPos();
  const Rect rtl_close = rtl.Find(L"closebtn")->GetPos();
  EXPECT_EQ(rtl_close.left, 1 + 10) << "close sits at the left edge";
  EXPECT_LT(rtl_close.right, rtl_min.left);
  const Rect rtl_fold = rtl.Find(L"chk_fold")->GetPos();
  const Rect rtl_agree = rtl.Find(L"chk_agree")->GetPos();
  const Rect rtl_licence = rtl.Find(L"btn_lisence")->GetPos();
  EXPECT_EQ(rtl_fold.left, 1 + 20);
  EXPECT_EQ(rtl_fold.Width(), 120);
  EXPECT_EQ(rtl_agree.left, rtl_fold.right + 180);
  EXPECT_EQ(rtl_licence.left, rtl_agree.right);
}

TEST(SkinLayout, BannerPageRowsAndFloatingDots) {
  for (const wchar_t* file : {L"window.xml", L"window_rtl.xml"}) {
    SkinFixture skin(file);
    auto* tabs = skin.Find<CTabLayout>(L"switch");
    ASSERT_TRUE(tabs->SelectItem(1));
    skin.manager().EnsureLayout();
    CControl* dots = skin.Find(L"buttonLayout");
    dots->SetVisible(true);
    skin.manager().EnsureLayout();
    const Rect parent = dots->GetParent()->GetPos();
    EXPECT_EQ(dots->GetPos(),
              (Rect{parent.left + 10, parent.top + 280, parent.left + 640, parent.top + 290}));
    EXPECT_EQ(skin.Find(L"option_0")->GetPos().Width(), 8);
    EXPECT_EQ(skin.Find(L"banner")->GetPos().Height(), 290);
    const Rect bar = skin.Find(L"progress_download")->GetPos();
    const Rect hide = skin.Find(L"btn_hide")->GetPos();
    EXPECT_EQ(bar.Height(), 6);
    EXPECT_EQ(hide.Width(), 90);
    EXPECT_EQ(hide.Height(), 32);
    const Rect install = skin.Find(L"label_install")->GetPos();
    const Rect percent = skin.Find(L"label_progress")->GetPos();
    if (std::wstring(file) == L"window.xml") {
      EXPECT_LT(bar.right, hide.left) << "the bar, then Hide";
      EXPECT_LT(install.left, percent.left);
    } else {
      EXPECT_LT(hide.right, bar.left) << "Hide, then the bar";
      EXPECT_LT(percent.left, install.left);
    }
  }
}

TEST(SkinLayout, InitialStatesAndVisibilityThroughAncestors) {
  SkinFixture skin(L"window.xml");
  auto* tabs = skin.Find<CTabLayout>(L"switch");
  EXPECT_EQ(tabs->GetCurSel(), 0);
  EXPECT_FALSE(skin.Find(L"bottomLayout")->IsVisible());
  EXPECT_TRUE(skin.Find(L"edit_path")->IsOwnVisible());
  EXPECT_FALSE(skin.Find(L"edit_path")->IsVisible()) << "inside the hidden custom area";
  EXPECT_FALSE(skin.Find(L"label_tip")->IsOwnVisible());
  EXPECT_FALSE(skin.Find(L"control_tip")->IsVisible());
  EXPECT_FALSE(skin.Find(L"btn_hide")->IsVisible()) << "on the page not shown";
  EXPECT_FALSE(skin.Find(L"option_3")->IsVisible());
  EXPECT_FALSE(skin.Find<CCheckBox>(L"chk_fold")->GetCheck());
  EXPECT_EQ(skin.Find<CProgress>(L"progress_download")->GetValue(), 30);
  EXPECT_EQ(skin.Find(L"label_progress")->GetText(), L"%0");
  EXPECT_EQ(skin.Find(L"btn_install")->GetText(), L"Install >>");
  EXPECT_EQ(skin.Find<COption>(L"option_9")->GetGroup(), L"bannerControlGroup");

  EXPECT_TRUE(skin.Find(L"bottomLayout")->SetAttribute(L"visible", L"true"));
  EXPECT_TRUE(skin.Find(L"edit_path")->IsVisible());
  EXPECT_FALSE(skin.Find(L"bottomLayout")->SetAttribute(L"visible", L"maybe"));
  EXPECT_TRUE(skin.Find(L"bottomLayout")->IsVisible()) << "a bad value changes nothing";

  CControl* bottom = skin.Find(L"bottomLayout");
  EXPECT_EQ(skin.manager().FindSubControl(bottom, L"edit_path"), skin.Find(L"edit_path"));
  EXPECT_EQ(skin.manager().FindSubControl(bottom, L"btn_install"), nullptr);
  EXPECT_EQ(skin.manager().FindControl(L"no_such_control"), nullptr);
}

TEST(SkinLayout, TabLayoutRefusesPagesOutOfRange) {
  SkinFixture skin(L"window.xml");
  auto* tabs = skin.Find<CTabLayout>(L"switch");
  EXPECT_FALSE(tabs->SelectItem(2));
  EXPECT_FALSE(tabs->SelectItem(-1));
  EXPECT_EQ(tabs->GetCurSel(), 0);
  EXPECT_TRUE(tabs->SelectItem(1));
  EXPECT_EQ(tabs->GetCurSel(), 1);
  EXPECT_TRUE(skin.Find(L"btn_hide")->IsVisible());
  EXPECT_FALSE(skin.Find(L"btn_install")->IsVisible());
}

// The size a PNG declares in its header.
Size PngSize(const std::string& bytes) {
  if (bytes.size() < 24 || bytes.compare(1, 3, "PNG") != 0) return {};
  auto word = [&](std::size_t at) {
    return (static_cast<unsigned char>(bytes[at]) << 24) |
           (static_cast<unsigned char>(bytes[at + 1]) << 16) |
           (static_cast<unsigned char>(bytes[at + 2]) << 8) |
           static_cast<unsigned char>(bytes[at + 3]);
  };
  return {static_cast<int>(word(16)), static_cast<int>(word(20))};
}

TEST(SkinLayout, EveryPictureOfTheSkinHasItsSize) {
  const struct {
    const wchar_t* file;
    Size size;
  } pictures[] = {
      {L"img/left_log.png", {108, 32}},
      {L"img/logo.png", {311, 52}},
      {L"img/button_normal.png", {168, 46}},
      {L"img/button_hover.png", {168, 46}},
      {L"img/button_pressing.png", {168, 46}},
      {L"img/button_disable.png", {168, 46}},
      {L"img/browse-df.png", {90, 32}},
      {L"img/browse-ho.png", {90, 32}},
      {L"img/hide-df.png", {90, 32}},
      {L"img/hide-ho.png", {90, 32}},
      {L"img/minzoom-df.png", {20, 20}},
      {L"img/minzoom-ho.png", {20, 20}},
      {L"img/close-df.png", {20, 20}},
      {L"img/close-ho.png", {20, 20}},
      {L"img/checked.png", {14, 14}},
      {L"img/unchecked.png", {14, 14}},
      {L"img/fold.png", {14, 14}},
      {L"img/fold_rtl.png", {14, 14}},
      {L"img/unfold.png", {14, 14}},
      {L"img/progress.png", {254, 99}},
      {L"img/progress_rtl.png", {254, 99}},
      {L"img/banner_normal.png", {16, 16}},
      {L"img/banner_selected.png", {16, 16}},
      {L"img/default.png", {650, 290}},
  };
  std::string error;
  auto source = OpenSkinFolder(ShippedSkinFolder(), error);
  ASSERT_TRUE(source) << error;
  for (const auto& picture : pictures) {
    const auto bytes = source->ReadFile(picture.file);
    ASSERT_TRUE(bytes) << platform::WideToUtf8(picture.file);
    EXPECT_EQ(PngSize(*bytes), picture.size) << platform::WideToUtf8(picture.file);
  }
}

TEST(SkinLayout, PackedArchiveBuildsLikeTheFolder) {
  kvtest::TempFolder folder;
  const auto archive = folder.path() / "skin.zip";
  std::string error;
  ASSERT_TRUE(kvpack::WritePack(platform::WideToUtf8(ShippedSkinFolder()), archive, error))
      << error;
  auto source = OpenSkinArchiveFile(platform::Utf8ToWide(archive.string()), error);
  ASSERT_TRUE(source) << error;
  for (const wchar_t* file : {L"window.xml", L"window_rtl.xml"}) {
    CPaintManager manager;
    ASSERT_TRUE(CSkinBuilder(*source, nullptr).Build(file, manager, error)) << error;
    EXPECT_NE(manager.FindControl(L"option_9"), nullptr);
  }
  EXPECT_TRUE(source->ReadFile(L"img/default.png"));
  EXPECT_FALSE(source->ReadFile(L"language\\pr_01.png"));
}

}  // namespace
}  // namespace SkinUI
