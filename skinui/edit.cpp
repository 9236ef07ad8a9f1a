#include "skinui/edit.h"

#include "skinui/notify.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

const ControlClass& CEdit::ClassInfo() {
  static const ControlClass info = [] {
    ControlClass c(L"Edit", &CLabel::ClassInfo(), [] { return std::make_unique<CEdit>(); });
    c.AddAttribute(L"readonly", BoolSetter(&CEdit::SetReadOnly));
    c.AddAttribute(L"maxchar", IntSetter(&CEdit::SetMaxChar));
    c.AddAttribute(L"password", BoolSetter(&CEdit::SetPasswordMode));
    return c;
  }();
  return info;
}

CEdit::CEdit() { SetBkColor(0xFFFFFFFF); }

void CEdit::SetReadOnly(bool read_only) {
  read_only_ = read_only;
  Invalidate();
}

void CEdit::SetPasswordMode(bool on) {
  password_ = on;
  Invalidate();
}

void CEdit::SetText(const std::wstring& text) {
  CLabel::SetText(text);
  caret_ = GetText().size();
}

void CEdit::ChangeText(const std::wstring& text, std::size_t caret) {
  const bool changed = text != GetText();
  CLabel::SetText(text);
  caret_ = caret > text.size() ? text.size() : caret;
  Invalidate();
  if (changed) SendNotify(kNotifyTextChanged);
}

void CEdit::DoEvent(TEvent& event) {
  const std::wstring& text = GetText();
  if (caret_ > text.size()) caret_ = text.size();
  switch (event.type) {
    case EventType::kSetFocus:
      caret_ = text.size();
      Invalidate();
      break;
    case EventType::kChar: {
      if (read_only_ || !IsEnabled()) break;
      const wchar_t c = event.character;
      if (c < 0x20 || c == 0x7F) break;  // control characters come as key presses
      if (max_char_ > 0 && static_cast<int>(text.size()) >= max_char_) break;
      std::wstring changed = text;
      changed.insert(caret_, 1, c);
      ChangeText(changed, caret_ + 1);
      break;
    }
    case EventType::kKeyDown: {
      if (!IsEnabled()) break;
      if (event.key == kVkLeft && caret_ > 0) {
        --caret_;
      } else if (event.key == kVkRight && caret_ < text.size()) {
        ++caret_;
      } else if (event.key == kVkHome) {
        caret_ = 0;
      } else if (event.key == kVkEnd) {
        caret_ = text.size();
      } else if (event.key == kVkBack && !read_only_ && caret_ > 0) {
        std::wstring changed = text;
        changed.erase(caret_ - 1, 1);
        ChangeText(changed, caret_ - 1);
      } else if (event.key == kVkDelete && !read_only_ && caret_ < text.size()) {
        std::wstring changed = text;
        changed.erase(caret_, 1);
        ChangeText(changed, caret_);
      }
      Invalidate();
      break;
    }
    default:
      CLabel::DoEvent(event);
      break;
  }
}

std::wstring CEdit::DisplayText() const {
  return password_ ? std::wstring(GetText().size(), L'\u2022') : GetText();
}

void CEdit::PaintText(IRenderer& renderer) {
  const std::wstring shown = DisplayText();
  // An edit shows its text as typed: braces are not markup here.
  if (!shown.empty() && GetManager()) {
    const Rect area = GetPos().Deflated(GetTextPadding());
    if (!area.IsEmpty()) {
      renderer.DrawText(area, PlainText(shown), GetManager()->GetFont(GetFont()),
                        CurrentTextColor(), GetTextAlign());
    }
  }
  if (IsFocused() && !read_only_ && IsEnabled() && GetManager()) {
    const Rect area = GetPos().Deflated(GetTextPadding());
    const FontSpec& font = GetManager()->GetFont(GetFont());
    const int x = area.left + renderer.MeasureText(shown, caret_, font);
    const int height = font.size + 4 < area.Height() ? font.size + 4 : area.Height();
    const int top = area.top + (area.Height() - height) / 2;
    renderer.FillRect({x, top, x + 1, top + height}, Opaque(CurrentTextColor()));
  }
}

}  // namespace SkinUI
