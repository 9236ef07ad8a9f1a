// CTabLayout shows one of its children (pages) at a time, each over the whole of its inner
// rectangle.
#pragma once

#include "skinui/container.h"

namespace SkinUI {

class CTabLayout : public CContainer {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

  CControl* Add(std::unique_ptr<CControl> child) override;
  /// The page shown, or -1 when there is none (no pages, or "selectedid" beyond them).
  int GetCurSel() const { return current_ < GetCount() ? current_ : -1; }
  /// Shows page `index`. An index out of range is refused (false); the page already shown
  /// changes nothing. A change sends "tabselect" with the new page in wParam and the old one in
  /// lParam.
  bool SelectItem(int index);
  /// The page the skin shows first ("selectedid").
  void SetInitialPage(int index);

 private:
  int current_ = 0;
};

}  // namespace SkinUI
