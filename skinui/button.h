// CButton is a label that can be pressed: it draws a picture for each state (normal, hot,
// pushed, focused, disabled) and sends "click" when the mouse is released over it or Space or
// Enter is pressed while it has the focus.
#pragma once

#include "skinui/label.h"

namespace SkinUI {

class CButton : public CLabel {
 public:
  CButton();
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

  void SetNormalImage(const ImageSpec& image);
  void SetHotImage(const ImageSpec& image);
  void SetPushedImage(const ImageSpec& image);
  void SetFocusedImage(const ImageSpec& image);
  void SetDisabledImage(const ImageSpec& image);
  void SetHotTextColor(Color color);
  void SetPushedTextColor(Color color);
  void SetFocusedTextColor(Color color);

  bool IsHot() const { return hot_; }
  bool IsPushed() const { return pushed_; }

  bool IsFocusable() const override { return true; }
  bool TakesMousePress() const override { return true; }
  void SetEnabled(bool enabled) override;
  void DoEvent(TEvent& event) override;
  /// What a press does: sends "click". Returns false when the button cannot act (disabled).
  virtual bool Activate();

 protected:
  void PaintStatusImage(IRenderer& renderer) override;
  Color CurrentTextColor() const override;

 private:
  ImageSpec normal_image_;
  ImageSpec hot_image_;
  ImageSpec pushed_image_;
  ImageSpec focused_image_;
  ImageSpec disabled_image_;
  std::optional<Color> hot_text_color_;
  std::optional<Color> pushed_text_color_;
  std::optional<Color> focused_text_color_;
  bool hot_ = false;
  bool pushed_ = false;    // pressed and the mouse is over it
  bool captured_ = false;  // pressed, wherever the mouse is now
};

}  // namespace SkinUI
