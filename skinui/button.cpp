#include "skinui/button.h"

#include "skinui/notify.h"

namespace SkinUI {

const ControlClass& CButton::ClassInfo() {
  static const ControlClass info = [] {
    ControlClass c(L"Button", &CLabel::ClassInfo(), [] { return std::make_unique<CButton>(); });
    c.AddAttribute(L"normalimage", ImageSetter(&CButton::SetNormalImage));
    c.AddAttribute(L"hotimage", ImageSetter(&CButton::SetHotImage));
    c.AddAttribute(L"pushedimage", ImageSetter(&CButton::SetPushedImage));
    c.AddAttribute(L"focusedimage", ImageSetter(&CButton::SetFocusedImage));
    c.AddAttribute(L"disabledimage", ImageSetter(&CButton::SetDisabledImage));
    c.AddAttribute(L"hottextcolor", ColorSetter(&CButton::SetHotTextColor));
    c.AddAttribute(L"pushedtextcolor", ColorSetter(&CButton::SetPushedTextColor));
    c.AddAttribute(L"focusedtextcolor", ColorSetter(&CButton::SetFocusedTextColor));
    return c;
  }();
  return info;
}

CButton::CButton() { SetHorizontalAlign(HorizontalAlign::kCenter); }

void CButton::SetNormalImage(const ImageSpec& image) {
  normal_image_ = image;
  Invalidate();
}
void CButton::SetHotImage(const ImageSpec& image) {
  hot_image_ = image;
  Invalidate();
}
void CButton::SetPushedImage(const ImageSpec& image) {
  pushed_image_ = image;
  Invalidate();
}
void CButton::SetFocusedImage(const ImageSpec& image) {
  focused_image_ = image;
  Invalidate();
}
void CButton::SetDisabledImage(const ImageSpec& image) {
  disabled_image_ = image;
  Invalidate();
}
void CButton::SetHotTextColor(Color color) {
  hot_text_color_ = color;
  Invalidate();
}
void CButton::SetPushedTextColor(Color color) {
  pushed_text_color_ = color;
  Invalidate();
}
void CButton::SetFocusedTextColor(Color color) {
  focused_text_color_ = color;
  Invalidate();
}

void CButton::SetEnabled(bool enabled) {
  if (!enabled) hot_ = pushed_ = captured_ = false;
  CLabel::SetEnabled(enabled);
}

void CButton::DoEvent(TEvent& event) {
  if (!IsEnabled()) {
    CLabel::DoEvent(event);
    return;
  }
  switch (event.type) {
    case EventType::kMouseEnter:
      hot_ = true;
      Invalidate();
      break;
    case EventType::kMouseLeave:
      hot_ = false;
      Invalidate();
      break;
    case EventType::kButtonDown:
    case EventType::kDoubleClick:
      captured_ = pushed_ = true;
      Invalidate();
      break;
    case EventType::kMouseMove:
      if (captured_) {
        const bool inside = GetPos().Contains(event.point);
        if (inside != pushed_) {
          pushed_ = inside;
          Invalidate();
        }
      }
      break;
    case EventType::kButtonUp:
      if (captured_) {
        const bool inside = GetPos().Contains(event.point);
        captured_ = pushed_ = false;
        Invalidate();
        if (inside) Activate();
      }
      break;
    case EventType::kKeyDown:
      if (event.key == kVkSpace || event.key == kVkReturn) Activate();
      break;
    default:
      CLabel::DoEvent(event);
      break;
  }
}

bool CButton::Activate() {
  if (!IsEnabled() || !IsVisible()) return false;
  SendNotify(kNotifyClick);
  return true;
}

void CButton::PaintStatusImage(IRenderer& renderer) {
  if (!IsEnabled() && !disabled_image_.IsEmpty() && DrawImage(renderer, disabled_image_)) return;
  if (IsEnabled()) {
    if (pushed_ && !pushed_image_.IsEmpty() && DrawImage(renderer, pushed_image_)) return;
    if (hot_ && !hot_image_.IsEmpty() && DrawImage(renderer, hot_image_)) return;
    if (IsFocused() && !focused_image_.IsEmpty() && DrawImage(renderer, focused_image_)) return;
  }
  DrawImage(renderer, normal_image_);
}

Color CButton::CurrentTextColor() const {
  if (IsEnabled()) {
    if (pushed_ && pushed_text_color_) return *pushed_text_color_;
    if (hot_ && hot_text_color_) return *hot_text_color_;
    if (IsFocused() && focused_text_color_) return *focused_text_color_;
  }
  return CLabel::CurrentTextColor();
}

}  // namespace SkinUI
