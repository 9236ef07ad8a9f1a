// Containers own their children and place them. CVerticalLayout stacks them top to bottom,
// CHorizontalLayout left to right: children with a fixed size get it, the others share what is
// left evenly; `inset` keeps a margin inside the container and `childpadding` a gap between
// children. Hidden children take no room; floating ones sit at their own position.
#pragma once

#include <memory>
#include <vector>

#include "skinui/control.h"

namespace SkinUI {

class CContainer : public CControl {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

  /// Appends a child, taking ownership.
  virtual CControl* Add(std::unique_ptr<CControl> child);
  int GetCount() const { return static_cast<int>(children_.size()); }
  /// The child at `index`, or null out of range.
  CControl* GetItemAt(int index) const;
  int GetItemIndex(const CControl* child) const;

  const Rect& GetInset() const { return inset_; }
  void SetInset(const Rect& inset);
  int GetChildPadding() const { return child_padding_; }
  void SetChildPadding(int padding);

  void SetManager(CPaintManager* manager) override;
  void SetPos(const Rect& pos) override;
  void DoPaint(IRenderer& renderer, const Rect& dirty) override;
  CControl* FindControlAt(Point point) override;
  CControl* FindControl(const std::wstring& name) override;
  void VisitTree(const std::function<void(CControl&)>& visit) override;

 protected:
  /// Places the children inside `inner` (the position less the inset).
  virtual void LayoutChildren(const Rect& inner);
  /// Places the floating children relative to the container's top left corner.
  void LayoutFloats();

  std::vector<std::unique_ptr<CControl>> children_;

 private:
  Rect inset_;
  int child_padding_ = 0;
};

class CVerticalLayout : public CContainer {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

 protected:
  void LayoutChildren(const Rect& inner) override;
};

class CHorizontalLayout : public CContainer {
 public:
  static const ControlClass& ClassInfo();
  const ControlClass& GetClass() const override { return ClassInfo(); }

 protected:
  void LayoutChildren(const Rect& inner) override;
};

}  // namespace SkinUI
