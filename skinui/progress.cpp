#include "skinui/progress.h"

#include "skinui/paint_manager.h"
#include "skinui/render.h"

namespace SkinUI {

const ControlClass& CProgress::ClassInfo() {
  static const ControlClass info = [] {
    ControlClass c(L"Progress", &CLabel::ClassInfo(), [] { return std::make_unique<CProgress>(); });
    c.AddAttribute(L"value", IntSetter(&CProgress::SetValue));
    c.AddAttribute(L"min", IntSetter(&CProgress::SetMinValue));
    c.AddAttribute(L"max", IntSetter(&CProgress::SetMaxValue));
    c.AddAttribute(L"foreimage", ImageSetter(&CProgress::SetForeImage));
    return c;
  }();
  return info;
}

void CProgress::SetValue(int value) {
  if (value < min_) value = min_;
  if (value > max_) value = max_;
  if (value == value_) return;
  value_ = value;
  Invalidate();
}

void CProgress::SetMinValue(int value) {
  min_ = value;
  if (max_ < min_) max_ = min_;
  SetValue(value_);
  Invalidate();
}

void CProgress::SetMaxValue(int value) {
  max_ = value;
  if (min_ > max_) min_ = max_;
  SetValue(value_);
  Invalidate();
}

void CProgress::SetForeImage(const ImageSpec& image) {
  fore_image_ = image;
  Invalidate();
}

void CProgress::PaintStatusImage(IRenderer& renderer) {
  if (fore_image_.IsEmpty() || max_ <= min_ || !GetManager()) return;
  const std::shared_ptr<IImage> picture = GetManager()->GetImage(renderer, fore_image_.file);
  if (!picture) return;
  const Rect& pos = GetPos();
  const long long range = max_ - min_;
  const int filled = static_cast<int>(pos.Width() * static_cast<long long>(value_ - min_) / range);
  if (filled <= 0) return;
  const Rect whole =
      fore_image_.source ? *fore_image_.source : Rect{0, 0, picture->Width(), picture->Height()};
  const int source_width = static_cast<int>(whole.Width() * static_cast<long long>(filled) /
                                            (pos.Width() > 0 ? pos.Width() : 1));
  const Rect source{whole.left, whole.top, whole.left + (source_width > 0 ? source_width : 1),
                    whole.bottom};
  renderer.DrawImage(*picture, {pos.left, pos.top, pos.left + filled, pos.bottom}, source);
}

}  // namespace SkinUI
