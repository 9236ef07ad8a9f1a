#include "skinui/tab_layout.h"

#include "skinui/notify.h"
#include "skinui/paint_manager.h"

namespace SkinUI {

const ControlClass& CTabLayout::ClassInfo() {
  static const ControlClass info = [] {
    ControlClass c(L"TabLayout", &CContainer::ClassInfo(),
                   [] { return std::make_unique<CTabLayout>(); });
    c.AddAttribute(L"selectedid", IntSetter(&CTabLayout::SetInitialPage));
    return c;
  }();
  return info;
}

CControl* CTabLayout::Add(std::unique_ptr<CControl> child) {
  CControl* added = CContainer::Add(std::move(child));
  if (added) added->SetVisible(GetCount() - 1 == current_);
  return added;
}

void CTabLayout::SetInitialPage(int index) {
  current_ = index < 0 ? 0 : index;
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == current_);
}

bool CTabLayout::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == current_) return true;
  const int old = current_;
  current_ = index;
  for (int i = 0; i < GetCount(); ++i) GetItemAt(i)->SetVisible(i == current_);
  NeedLayout();
  SendNotify(kNotifyTabSelect, static_cast<WParam>(current_), static_cast<LParam>(old));
  return true;
}

}  // namespace SkinUI
