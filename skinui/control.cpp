#include "skinui/control.h"

#include "skinui/container.h"
#include "skinui/paint_manager.h"
#include "skinui/render.h"

namespace SkinUI {

const ControlClass& CControl::ClassInfo() {
  static const ControlClass info = [] {
    ControlClass c(L"Control", nullptr, [] { return std::make_unique<CControl>(); });
    c.AddAttribute(L"name", TextSetter(&CControl::SetName));
    c.AddAttribute(L"text", TextSetter(&CControl::SetText));
    c.AddAttribute(L"tooltip", TextSetter(&CControl::SetToolTip));
    c.AddAttribute(L"userdata", TextSetter(&CControl::SetUserData));
    c.AddAttribute(L"width", IntSetter(&CControl::SetFixedWidth));
    c.AddAttribute(L"height", IntSetter(&CControl::SetFixedHeight));
    c.AddAttribute(L"padding", RectSetter(&CControl::SetPadding));
    c.AddAttribute(L"float", BoolSetter(&CControl::SetFloat));
    c.AddAttribute(L"pos", RectSetter(&CControl::SetFloatPos));
    c.AddAttribute(L"visible", BoolSetter(&CControl::SetVisible));
    c.AddAttribute(L"enabled", BoolSetter(&CControl::SetEnabled));
    c.AddAttribute(L"bkcolor", ColorSetter(&CControl::SetBkColor));
    c.AddAttribute(L"bkimage",
                   [](CControl& control, const std::wstring& value, std::string& error) {
                     ImageSpec image;
                     if (!value.empty() && !ParseImageSpec(value, image, error)) return false;
                     control.SetBkImage(image);
                     return true;
                   });
    c.AddAttribute(L"bordersize", IntSetter(&CControl::SetBorderSize));
    c.AddAttribute(L"bordercolor", ColorSetter(&CControl::SetBorderColor));
    c.AddAttribute(L"focusbordercolor", ColorSetter(&CControl::SetFocusBorderColor));
    c.AddAttribute(L"borderround", SizeSetter(&CControl::SetBorderRound));
    return c;
  }();
  return info;
}

CControl::CControl() = default;

CControl::~CControl() {
  if (manager_) manager_->ReapControl(this);
}

bool CControl::IsClass(const std::wstring& class_name) const {
  for (const ControlClass* c = &GetClass(); c; c = c->Base()) {
    if (c->Name() == class_name) return true;
  }
  return false;
}

bool CControl::SetAttribute(const std::wstring& name, const std::wstring& value,
                            std::string& error) {
  const AttributeSetter* setter = GetClass().FindAttribute(name);
  if (!setter) {
    error = "unknown attribute " + Quote(name) + " of " + Quote(GetClass().Name());
    return false;
  }
  std::string detail;
  if (!(*setter)(*this, value, detail)) {
    error = "attribute " + Quote(name) + ": " + detail;
    return false;
  }
  return true;
}

bool CControl::SetAttribute(const std::wstring& name, const std::wstring& value) {
  std::string ignored;
  return SetAttribute(name, value, ignored);
}

void CControl::SetText(const std::wstring& text) {
  if (text_ == text) return;
  text_ = text;
  Invalidate();
}

void CControl::SetCustomAttribute(const std::wstring& name, const std::wstring& value) {
  custom_[name] = value;
}

std::wstring CControl::GetCustomAttribute(const std::wstring& name) const {
  const auto found = custom_.find(name);
  return found == custom_.end() ? std::wstring() : found->second;
}

void CControl::SetManager(CPaintManager* manager) { manager_ = manager; }

void CControl::SetPos(const Rect& pos) {
  if (pos_ == pos) return;
  Invalidate();
  pos_ = pos;
  Invalidate();
}

void CControl::SetFixedWidth(int width) {
  fixed_size_.cx = width < 0 ? 0 : width;
  NeedLayout();
}

void CControl::SetFixedHeight(int height) {
  fixed_size_.cy = height < 0 ? 0 : height;
  NeedLayout();
}

void CControl::SetPadding(const Rect& padding) {
  padding_ = padding;
  NeedLayout();
}

void CControl::SetFloat(bool floating) {
  float_ = floating;
  NeedLayout();
}

void CControl::SetFloatPos(const Rect& pos) {
  float_pos_ = pos;
  NeedLayout();
}

bool CControl::IsVisible() const {
  for (const CControl* c = this; c; c = c->parent_) {
    if (!c->visible_) return false;
  }
  return true;
}

void CControl::SetVisible(bool visible) {
  if (visible_ == visible) return;
  Invalidate();
  visible_ = visible;
  if (!visible && manager_) {
    CControl* focus = manager_->GetFocus();
    for (CControl* c = focus; c; c = c->parent_) {
      if (c == this) {
        manager_->SetFocus(nullptr);
        break;
      }
    }
  }
  NeedLayout();
  Invalidate();
}

void CControl::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  if (!enabled && manager_ && manager_->GetFocus() == this) manager_->SetFocus(nullptr);
  Invalidate();
}

bool CControl::IsFocused() const { return manager_ && manager_->GetFocus() == this; }

void CControl::SetFocus() {
  if (manager_) manager_->SetFocus(this);
}

void CControl::SetBkColor(Color color) {
  bk_color_ = color;
  Invalidate();
}

void CControl::SetBkImage(const ImageSpec& image) {
  bk_image_ = image;
  Invalidate();
}

void CControl::SetBkImage(const std::wstring& file) {
  ImageSpec image;
  image.file = file;
  SetBkImage(image);
}

void CControl::SetBorderSize(int size) {
  border_size_ = size < 0 ? 0 : size;
  Invalidate();
}

void CControl::SetBorderColor(Color color) {
  border_color_ = color;
  Invalidate();
}

void CControl::SetFocusBorderColor(Color color) {
  focus_border_color_ = color;
  Invalidate();
}

void CControl::SetBorderRound(const Size& round) {
  border_round_ = {round.cx < 0 ? 0 : round.cx, round.cy < 0 ? 0 : round.cy};
  Invalidate();
}

void CControl::Invalidate() {
  if (manager_ && !pos_.IsEmpty()) manager_->Invalidate(pos_);
}

void CControl::NeedLayout() {
  if (manager_) {
    manager_->NeedLayout();
    manager_->Invalidate();
  }
}

void CControl::DoPaint(IRenderer& renderer, const Rect& dirty) {
  if (!pos_.Intersects(dirty)) return;
  const bool round = border_round_.cx > 0 && border_round_.cy > 0;
  if (round) renderer.PushClip(pos_, border_round_);
  PaintBkColor(renderer);
  PaintBkImage(renderer);
  PaintStatusImage(renderer);
  PaintText(renderer);
  if (round) renderer.PopClip();
  PaintBorder(renderer);
}

void CControl::PaintBkColor(IRenderer& renderer) {
  if (ColorAlpha(bk_color_) != 0) renderer.FillRect(pos_, bk_color_);
}

void CControl::PaintBkImage(IRenderer& renderer) {
  if (!bk_image_.IsEmpty()) DrawImage(renderer, bk_image_);
}

void CControl::PaintBorder(IRenderer& renderer) {
  if (border_size_ <= 0) return;
  const Color color = IsFocused() && focus_border_color_ != 0 ? focus_border_color_ : border_color_;
  if (color != 0) renderer.DrawBorder(pos_, border_size_, color, border_round_);
}

bool CControl::DrawImage(IRenderer& renderer, const ImageSpec& image) {
  if (!manager_ || image.IsEmpty()) return false;
  const std::shared_ptr<IImage> picture = manager_->GetImage(renderer, image.file);
  if (!picture) return false;
  Rect dest = pos_;
  if (image.dest) dest = image.dest->Offset(pos_.left, pos_.top);
  const Rect source =
      image.source ? *image.source : Rect{0, 0, picture->Width(), picture->Height()};
  if (dest.IsEmpty() || source.IsEmpty()) return true;
  renderer.DrawImage(*picture, dest, source);
  return true;
}

void CControl::DoEvent(TEvent& event) {
  if (event.type == EventType::kSetFocus || event.type == EventType::kKillFocus) Invalidate();
}

CControl* CControl::FindControlAt(Point point) {
  return IsOwnVisible() && pos_.Contains(point) ? this : nullptr;
}

CControl* CControl::FindControl(const std::wstring& name) { return name_ == name ? this : nullptr; }

void CControl::SendNotify(const wchar_t* type, WParam wparam, LParam lparam) {
  if (manager_) manager_->SendNotify(this, type, wparam, lparam);
}

}  // namespace SkinUI
