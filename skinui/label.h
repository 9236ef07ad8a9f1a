// CLabel draws a line of text in a font of the skin, with colour, alignment, padding and,
// when "showhtml" is on, the text markup. CText is a label that takes the mouse press (the
// window is not dragged by it).
#pragma once

#include <optional>

#include "skinui/control.h"
#include "skinui/render.h"

namespace SkinUI {

class CLabel : public CControl {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

  int GetFont() const { return font_; }
  void SetFont(int id);
  const TextAlign& GetTextAlign() const { return align_; }
  void SetHorizontalAlign(HorizontalAlign align);
  void SetVerticalAlign(VerticalAlign align);
  void SetEndEllipsis(bool on);
  void SetTextColor(Color color);
  void SetDisabledTextColor(Color color);
  const Rect& GetTextPadding() const { return text_padding_; }
  void SetTextPadding(const Rect& padding);
  bool IsShowHtml() const { return show_html_; }
  void SetShowHtml(bool on);

 protected:
  void PaintText(IRenderer& renderer) override;
  /// The colour for the control's state; black when the skin gives none.
  virtual Color CurrentTextColor() const;
  /// The text as it is drawn, with its markup runs when "showhtml" is on.
  StyledText StyledDisplayText(const std::wstring& text) const;
  void DrawLabelText(IRenderer& renderer, const std::wstring& text, Color color);

  std::optional<Color> text_color_;
  std::optional<Color> disabled_text_color_;

 private:
  int font_ = -1;
  TextAlign align_;
  Rect text_padding_;
  bool show_html_ = false;
};

class CText : public CLabel {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }
  bool TakesMousePress() const override { return true; }
};

/// Reads "left", "center" or "right" (and "top", "vcenter", "bottom" for the vertical one).
bool ParseHorizontalAlign(const std::wstring& text, HorizontalAlign& align, std::string& error);
bool ParseVerticalAlign(const std::wstring& text, VerticalAlign& align, std::string& error);

}  // namespace SkinUI
