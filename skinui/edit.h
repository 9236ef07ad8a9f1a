// CEdit is a one-line text field drawn by the toolkit: it shows its text, a caret while it has
// the focus (unless read-only) and its focus border, takes typed characters, Backspace, Delete
// and the arrow keys, and sends "textchanged" when the user changes the text. Like every
// control it sends "setfocus" when it gets the focus, read-only or not.
#pragma once

#include "skinui/label.h"

namespace SkinUI {

class CEdit : public CLabel {
 public:
  /// White like a system text field, unless the skin gives a background.
  CEdit();
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

  bool IsReadOnly() const { return read_only_; }
  void SetReadOnly(bool read_only);
  /// 0 for no limit.
  void SetMaxChar(int count) { max_char_ = count < 0 ? 0 : count; }
  void SetPasswordMode(bool on);
  /// Replaces the text; the caret goes to its end. Sends no notification.
  void SetText(const std::wstring& text) override;
  std::size_t GetCaret() const { return caret_; }

  bool IsFocusable() const override { return true; }
  /// Pressing in a text field never drags the window, wherever the caption area lies.
  bool TakesMousePress() const override { return true; }
  void DoEvent(TEvent& event) override;

 protected:
  void PaintText(IRenderer& renderer) override;

 private:
  void ChangeText(const std::wstring& text, std::size_t caret);
  std::wstring DisplayText() const;

  bool read_only_ = false;
  bool password_ = false;
  int max_char_ = 0;
  std::size_t caret_ = 0;
};

}  // namespace SkinUI
