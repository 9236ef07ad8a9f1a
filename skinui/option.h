// COption is a button with a selected state. Options sharing a group name are mutually
// exclusive within their window; an option without a group toggles. CCheckBox is the option
// used as a tick box.
#pragma once

#include "skinui/button.h"

namespace SkinUI {

class COption : public CButton {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

  const std::wstring& GetGroup() const { return group_; }
  void SetGroup(const std::wstring& group) { group_ = group; }
  bool IsSelected() const { return selected_; }
  /// Changes the selected state; "selectchanged" is sent only when the state really changes
  /// and `send_notify` is set. Selecting a grouped option clears the others of its group.
  void Selected(bool selected, bool send_notify = true);
  void SetSelectedImage(const ImageSpec& image);
  void SetSelectedHotImage(const ImageSpec& image);
  void SetSelectedTextColor(Color color);

  /// Sends "click", then selects (grouped) or toggles (ungrouped).
  bool Activate() override;

 protected:
  void PaintStatusImage(IRenderer& renderer) override;
  Color CurrentTextColor() const override;

 private:
  void SetSelectedFromSkin(bool selected) { Selected(selected, false); }

  std::wstring group_;
  bool selected_ = false;
  ImageSpec selected_image_;
  ImageSpec selected_hot_image_;
  std::optional<Color> selected_text_color_;
};

class CCheckBox : public COption {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

  bool GetCheck() const { return IsSelected(); }
  void SetCheck(bool check, bool send_notify = true) { Selected(check, send_notify); }
};

}  // namespace SkinUI
