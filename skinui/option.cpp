#include "skinui/option.h"

#include "skinui/notify.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

const ControlClass& COption::ClassInfo() {
  static const ControlClass info = [] {
    ControlClass c(L"Option", &CButton::ClassInfo(), [] { return std::make_unique<COption>(); });
    c.AddAttribute(L"group", TextSetter(&COption::SetGroup));
    c.AddAttribute(L"selected", BoolSetter(&COption::SetSelectedFromSkin));
    c.AddAttribute(L"selectedimage", ImageSetter(&COption::SetSelectedImage));
    c.AddAttribute(L"selectedhotimage", ImageSetter(&COption::SetSelectedHotImage));
    c.AddAttribute(L"selectedtextcolor", ColorSetter(&COption::SetSelectedTextColor));
    return c;
  }();
  return info;
}

void COption::Selected(bool selected, bool send_notify) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
  if (selected_ && !group_.empty() && GetManager() && GetManager()->GetRoot()) {
    std::vector<COption*> others;
    GetManager()->GetRoot()->VisitTree([&](CControl& control) {
      auto* option = dynamic_cast<COption*>(&control);
      if (option && option != this && option->group_ == group_ && option->selected_) {
        others.push_back(option);
      }
    });
    for (COption* other : others) other->Selected(false, send_notify);
  }
  if (send_notify) SendNotify(kNotifySelectChanged);
}

void COption::SetSelectedImage(const ImageSpec& image) {
  selected_image_ = image;
  Invalidate();
}

void COption::SetSelectedHotImage(const ImageSpec& image) {
  selected_hot_image_ = image;
  Invalidate();
}

void COption::SetSelectedTextColor(Color color) {
  selected_text_color_ = color;
  Invalidate();
}

bool COption::Activate() {
  if (!CButton::Activate()) return false;
  Selected(group_.empty() ? !selected_ : true);
  return true;
}

void COption::PaintStatusImage(IRenderer& renderer) {
  if (selected_) {
    if (IsHot() && !selected_hot_image_.IsEmpty() && DrawImage(renderer, selected_hot_image_)) {
      return;
    }
    if (!selected_image_.IsEmpty() && DrawImage(renderer, selected_image_)) return;
  }
  CButton::PaintStatusImage(renderer);
}

Color COption::CurrentTextColor() const {
  if (selected_ && IsEnabled() && selected_text_color_) return *selected_text_color_;
  return CButton::CurrentTextColor();
}

const ControlClass& CCheckBox::ClassInfo() {
  static const ControlClass info(L"CheckBox", &COption::ClassInfo(),
                                 [] { return std::make_unique<CCheckBox>(); });
  return info;
}

}  // namespace SkinUI
