#include "skinui/label.h"

#include "skinui/paint_manager.h"

namespace SkinUI {

bool ParseHorizontalAlign(const std::wstring& text, HorizontalAlign& align, std::string& error) {
  if (text == L"left") {
    align = HorizontalAlign::kLeft;
  } else if (text == L"center") {
    align = HorizontalAlign::kCenter;
  } else if (text == L"right") {
    align = HorizontalAlign::kRight;
  } else {
    error = "expected \"left\", \"center\" or \"right\", not " + Quote(text);
    return false;
  }
  return true;
}

bool ParseVerticalAlign(const std::wstring& text, VerticalAlign& align, std::string& error) {
  if (text == L"top") {
    align = VerticalAlign::kTop;
  } else if (text == L"vcenter" || text == L"center") {
    align = VerticalAlign::kCenter;
  } else if (text == L"bottom") {
    align = VerticalAlign::kBottom;
  } else {
    error = "expected \"top\", \"vcenter\" or \"bottom\", not " + Quote(text);
    return false;
  }
  return true;
}

const ControlClass& CLabel::ClassInfo() {
  static const ControlClass info = [] {
    ControlClass c(L"Label", &CControl::ClassInfo(), [] { return std::make_unique<CLabel>(); });
    c.AddAttribute(L"font", [](CControl& control, const std::wstring& value, std::string& error) {
      int id = 0;
      if (!ParseInt(value, id, error)) return false;
      CPaintManager* manager = control.GetManager();
      if (id != -1 && manager && !manager->HasFont(id)) {
        error = "the font table has no font " + std::to_string(id);
        return false;
      }
      static_cast<CLabel&>(control).SetFont(id);
      return true;
    });
    c.AddAttribute(L"align", [](CControl& control, const std::wstring& value, std::string& error) {
      HorizontalAlign align;
      if (!ParseHorizontalAlign(value, align, error)) return false;
      static_cast<CLabel&>(control).SetHorizontalAlign(align);
      return true;
    });
    c.AddAttribute(L"valign", [](CControl& control, const std::wstring& value, std::string& error) {
      VerticalAlign align;
      if (!ParseVerticalAlign(value, align, error)) return false;
      static_cast<CLabel&>(control).SetVerticalAlign(align);
      return true;
    });
    c.AddAttribute(L"endellipsis", BoolSetter(&CLabel::SetEndEllipsis));
    c.AddAttribute(L"textcolor", ColorSetter(&CLabel::SetTextColor));
    c.AddAttribute(L"disabledtextcolor", ColorSetter(&CLabel::SetDisabledTextColor));
    c.AddAttribute(L"textpadding", RectSetter(&CLabel::SetTextPadding));
    c.AddAttribute(L"showhtml", BoolSetter(&CLabel::SetShowHtml));
    return c;
  }();
  return info;
}

void CLabel::SetFont(int id) {
  font_ = id;
  Invalidate();
}

void CLabel::SetHorizontalAlign(HorizontalAlign align) {
  align_.horizontal = align;
  Invalidate();
}

void CLabel::SetVerticalAlign(VerticalAlign align) {
  align_.vertical = align;
  Invalidate();
}

void CLabel::SetEndEllipsis(bool on) {
  align_.end_ellipsis = on;
  Invalidate();
}

void CLabel::SetTextColor(Color color) {
  text_color_ = color;
  Invalidate();
}

void CLabel::SetDisabledTextColor(Color color) {
  disabled_text_color_ = color;
  Invalidate();
}

void CLabel::SetTextPadding(const Rect& padding) {
  text_padding_ = padding;
  Invalidate();
}

void CLabel::SetShowHtml(bool on) {
  show_html_ = on;
  Invalidate();
}

Color CLabel::CurrentTextColor() const {
  if (!IsEnabled()) return disabled_text_color_ ? *disabled_text_color_ : 0xFFA7A6AAu;
  return text_color_ ? *text_color_ : 0xFF000000u;
}

StyledText CLabel::StyledDisplayText(const std::wstring& text) const {
  return show_html_ ? ParseMarkup(text) : PlainText(text);
}

void CLabel::DrawLabelText(IRenderer& renderer, const std::wstring& text, Color color) {
  if (text.empty() || !GetManager()) return;
  const Rect area = GetPos().Deflated(text_padding_);
  if (area.IsEmpty()) return;
  renderer.DrawText(area, StyledDisplayText(text), GetManager()->GetFont(font_), color, align_);
}

void CLabel::PaintText(IRenderer& renderer) {
  DrawLabelText(renderer, GetText(), CurrentTextColor());
}

const ControlClass& CText::ClassInfo() {
  static const ControlClass info(L"Text", &CLabel::ClassInfo(),
                                 [] { return std::make_unique<CText>(); });
  return info;
}

}  // namespace SkinUI
