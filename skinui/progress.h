// CProgress is a bar: its background is the empty part, its fore picture is revealed from the
// left up to the value, cut there (not squeezed), so the picture keeps its look at any value.
#pragma once

#include "skinui/label.h"

namespace SkinUI {

class CProgress : public CLabel {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

  int GetValue() const { return value_; }
  /// Sets the value, clamped to the range (0 to 100 unless the skin says otherwise).
  void SetValue(int value);
  int GetMinValue() const { return min_; }
  int GetMaxValue() const { return max_; }
  void SetMinValue(int value);
  void SetMaxValue(int value);
  void SetForeImage(const ImageSpec& image);

 protected:
  void PaintStatusImage(IRenderer& renderer) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  ImageSpec fore_image_;
};

}  // namespace SkinUI
