#include "skinui/control_registry.h"

#include "skinui/button.h"
#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/edit.h"
#include "skinui/label.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/tab_layout.h"

namespace SkinUI {

ControlClass::ControlClass(std::wstring name, const ControlClass* base,
                           std::function<std::unique_ptr<CControl>()> create)
    : name_(std::move(name)), base_(base), create_(std::move(create)) {}

bool ControlClass::IsA(const ControlClass& other) const {
  for (const ControlClass* c = this; c; c = c->base_) {
    if (c == &other) return true;
  }
  return false;
}

void ControlClass::AddAttribute(const std::wstring& name, AttributeSetter setter) {
  attributes_[name] = std::move(setter);
}

const AttributeSetter* ControlClass::FindAttribute(const std::wstring& name) const {
  for (const ControlClass* c = this; c; c = c->base_) {
    const auto found = c->attributes_.find(name);
    if (found != c->attributes_.end()) return &found->second;
  }
  return nullptr;
}

CControlRegistry::CControlRegistry() {
  for (const ControlClass* c :
       {&CControl::ClassInfo(), &CLabel::ClassInfo(), &CText::ClassInfo(), &CButton::ClassInfo(),
        &COption::ClassInfo(), &CCheckBox::ClassInfo(), &CEdit::ClassInfo(),
        &CProgress::ClassInfo(), &CContainer::ClassInfo(), &CVerticalLayout::ClassInfo(),
        &CHorizontalLayout::ClassInfo(), &CTabLayout::ClassInfo()}) {
    classes_[c->Name()] = c;
  }
}

const CControlRegistry& CControlRegistry::BuiltIn() {
  static const CControlRegistry registry;
  return registry;
}

const ControlClass* CControlRegistry::Find(const std::wstring& name) const {
  const auto found = classes_.find(name);
  return found == classes_.end() ? nullptr : found->second;
}

std::vector<std::wstring> CControlRegistry::Names() const {
  std::vector<std::wstring> names;
  for (const auto& entry : classes_) names.push_back(entry.first);
  return names;
}

}  // namespace SkinUI
