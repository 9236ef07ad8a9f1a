// Input on the shipped skin, offscreen: clicks, selection, typing, focus and hit testing.
#include <gtest/gtest.h>

#include <vector>

#include "platform/text.h"
#include "skinui/button.h"
#include "skinui/edit.h"
#include "skinui/option.h"
#include "skinui/skin_fixture.h"
#include "skinui/tab_layout.h"

namespace SkinUI {
namespace {

class Recorder : public INotifyListener {
 public:
  void Notify(TNotify& msg) override {
    if (msg.type == L"killfocus") return;
    seen.push_back((msg.sender ? platform::WideToUtf8(msg.sender->GetName()) : "") + ":" +
                   platform::WideToUtf8(msg.type));
  }
  std::vector<std::string> seen;
};

class SkinInput : public ::testing::Test {
 protected:
  SkinInput() : skin_(L"window.xml") { skin_.manager().AddNotifier(&recorder_); }

  void Send(MessageId msg, Point p, WParam wparam = 0) {
    LResult result = 0;
    skin_.manager().MessageHandler(msg, wparam, MakePointParam(p.x, p.y), result);
  }
  static Point Centre(const CControl* c) {
    return {(c->GetPos().left + c->GetPos().right) / 2, (c->GetPos().top + c->GetPos().bottom) / 2};
  }
  void Click(const CControl* c) { ClickAt(Centre(c)); }
  void ClickAt(Point p) {
    Send(kWmMouseMove, p);
    Send(kWmLButtonDown, p);
    Send(kWmLButtonUp, p);
  }
  void Key(WParam key) { Send(kWmKeyDown, {}, key); }
  void Char(wchar_t c) { Send(kWmChar, {}, static_cast<WParam>(c)); }

  SkinFixture skin_;
  Recorder recorder_;
};

using Seen = std::vector<std::string>;

TEST_F(SkinInput, ClickNeedsPressAndReleaseOverAnEnabledButton) {
  CButton* install = skin_.Find<CButton>(L"btn_install");
  Click(install);
  EXPECT_EQ(recorder_.seen, (Seen{"btn_install:setfocus", "btn_install:click"}));

  recorder_.seen.clear();
  Send(kWmLButtonDown, Centre(install));
  EXPECT_TRUE(install->IsPushed());
  Send(kWmMouseMove, {5, 5});
  EXPECT_FALSE(install->IsPushed()) << "dragged off: drawn released";
  Send(kWmLButtonUp, {5, 5});
  EXPECT_TRUE(recorder_.seen.empty()) << "released elsewhere: no click";

  install->SetEnabled(false);
  Click(install);
  EXPECT_TRUE(recorder_.seen.empty()) << "a disabled button does nothing";
}

TEST_F(SkinInput, CheckBoxSendsClickThenSelectChangedOnlyOnAChange) {
  CCheckBox* agree = skin_.Find<CCheckBox>(L"chk_agree");
  Click(agree);
  EXPECT_TRUE(agree->GetCheck());
  EXPECT_EQ(recorder_.seen,
            (Seen{"chk_agree:setfocus", "chk_agree:click", "chk_agree:selectchanged"}));
  recorder_.seen.clear();
  agree->SetCheck(true, true);
  EXPECT_TRUE(recorder_.seen.empty()) << "already ticked: no notification";
  agree->SetCheck(false, false);
  EXPECT_TRUE(recorder_.seen.empty()) << "asked for none";
  agree->SetCheck(true, true);
  EXPECT_EQ(recorder_.seen, (Seen{"chk_agree:selectchanged"}));
}

TEST_F(SkinInput, OptionsOfAGroupAreMutuallyExclusive) {
  skin_.Find<CTabLayout>(L"switch")->SelectItem(1);
  skin_.Find(L"buttonLayout")->SetVisible(true);
  skin_.manager().EnsureLayout();
  auto* first = skin_.Find<COption>(L"option_0");
  auto* second = skin_.Find<COption>(L"option_1");
  Click(first);
  EXPECT_TRUE(first->IsSelected());
  Click(second);
  EXPECT_TRUE(second->IsSelected());
  EXPECT_FALSE(first->IsSelected());
  recorder_.seen.clear();
  Click(second);
  EXPECT_TRUE(second->IsSelected()) << "a grouped option stays selected";
  EXPECT_EQ(recorder_.seen, (Seen{"option_1:click"}));
}

TEST_F(SkinInput, EditTakesTypingAndReadOnlyOnlyTheFocus) {
  skin_.Unfold();
  auto* edit = skin_.Find<CEdit>(L"edit_path");
  edit->SetText(L"/opt");
  Click(edit);
  Char(L'/');
  Char(L'k');
  Key(kVkLeft);
  Key(kVkBack);
  EXPECT_EQ(edit->GetText(), L"/optk");
  EXPECT_EQ(recorder_.seen, (Seen{"edit_path:setfocus", "edit_path:textchanged",
                                  "edit_path:textchanged", "edit_path:textchanged"}));
  Key(kVkHome);
  Key(kVkDelete);
  EXPECT_EQ(edit->GetText(), L"optk");

  edit->SetReadOnly(true);
  recorder_.seen.clear();
  Key(kVkTab);  // focus moves on …
  Click(edit);  // … and comes back by the mouse
  Char(L'x');
  Key(kVkBack);
  EXPECT_EQ(edit->GetText(), L"optk");
  EXPECT_EQ(recorder_.seen.back(), "edit_path:setfocus");
}

TEST_F(SkinInput, TabLayoutTellsOnlyARealChangeOfPage) {
  auto* tabs = skin_.Find<CTabLayout>(L"switch");
  EXPECT_TRUE(tabs->SelectItem(0));
  EXPECT_FALSE(tabs->SelectItem(5));
  EXPECT_TRUE(recorder_.seen.empty()) << "the page shown, or none: nothing happens";
  EXPECT_TRUE(tabs->SelectItem(1));
  EXPECT_EQ(recorder_.seen, (Seen{"switch:tabselect"}));
}

TEST_F(SkinInput, HiddenControlsAreNotHit) {
  CControl* start = skin_.Find(L"btn_start");
  start->SetVisible(false);
  skin_.manager().EnsureLayout();
  CControl* install = skin_.Find(L"btn_install");
  EXPECT_EQ(skin_.manager().FindControlAt(Centre(install)), install);
  install->SetVisible(false);
  skin_.manager().EnsureLayout();
  EXPECT_FALSE(skin_.manager().FindControlAt(Centre(install))->IsClass(L"Button"));
}

TEST_F(SkinInput, HitTestGivesSizeEdgesThenCaptionExceptOverPressableControls) {
  CPaintManager& manager = skin_.manager();
  const struct {
    Point point;
    bool maximized;
    LResult expected;
  } cases[] = {
      {{0, 0}, false, kHtTopLeft},      {{649, 0}, false, kHtTopRight},
      {{0, 359}, false, kHtBottomLeft}, {{649, 359}, false, kHtBottomRight},
      {{2, 200}, false, kHtLeft},       {{647, 200}, false, kHtRight},
      {{300, 1}, false, kHtTop},        {{300, 357}, false, kHtBottom},
      {{2, 200}, true, kHtCaption},     {{60, 20}, false, kHtCaption},  // maker's logo
      {{325, 120}, false, kHtCaption},                                  // product logo
      {{300, 340}, false, kHtClient},                                   // below the caption area
  };
  for (const auto& c : cases) {
    EXPECT_EQ(manager.HitTest(c.point, c.maximized), c.expected) << c.point.x << "," << c.point.y;
  }
  for (const wchar_t* name : {L"btn_install", L"minbtn", L"closebtn"}) {
    EXPECT_EQ(manager.HitTest(Centre(skin_.Find(name)), false), kHtClient)
        << platform::WideToUtf8(name);
  }
}

}  // namespace
}  // namespace SkinUI
