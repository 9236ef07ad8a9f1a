#include "skinui/container.h"

#include "skinui/paint_manager.h"
#include "skinui/render.h"

namespace SkinUI {
namespace {

// One line of a layout along its main axis: every visible, non-floating child gets its fixed
// length or an even share of what the fixed ones and the gaps leave.
struct Slot {
  CControl* control;
  int length;
};

std::vector<Slot> ShareLine(const std::vector<std::unique_ptr<CControl>>& children, int available,
                            int gap, bool vertical) {
  std::vector<Slot> slots;
  int fixed_total = 0;
  int flexible = 0;
  for (const auto& child : children) {
    if (!child->IsOwnVisible() || child->IsFloat()) continue;
    const Rect& pad = child->GetPadding();
    const int fixed = vertical ? child->GetFixedHeight() : child->GetFixedWidth();
    fixed_total += vertical ? pad.top + pad.bottom : pad.left + pad.right;
    if (fixed > 0) {
      fixed_total += fixed;
    } else {
      ++flexible;
    }
    slots.push_back({child.get(), fixed});
  }
  if (slots.size() > 1) fixed_total += gap * static_cast<int>(slots.size() - 1);
  int left_over = available - fixed_total;
  if (left_over < 0) left_over = 0;
  int flexible_seen = 0;
  int handed_out = 0;
  for (Slot& slot : slots) {
    if (slot.length > 0 || flexible == 0) continue;
    ++flexible_seen;
    // The last flexible child takes the rounding remainder.
    slot.length = flexible_seen == flexible ? left_over - handed_out : left_over / flexible;
    handed_out += slot.length;
  }
  return slots;
}

}  // namespace

const ControlClass& CContainer::ClassInfo() {
  static const ControlClass info = [] {
    ControlClass c(L"Container", &CControl::ClassInfo(),
                   [] { return std::make_unique<CContainer>(); });
    c.AddAttribute(L"inset", RectSetter(&CContainer::SetInset));
    c.AddAttribute(L"childpadding", IntSetter(&CContainer::SetChildPadding));
    return c;
  }();
  return info;
}

CControl* CContainer::Add(std::unique_ptr<CControl> child) {
  if (!child) return nullptr;
  child->SetParent(this);
  child->SetManager(GetManager());
  children_.push_back(std::move(child));
  NeedLayout();
  return children_.back().get();
}

CControl* CContainer::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return children_[static_cast<std::size_t>(index)].get();
}

int CContainer::GetItemIndex(const CControl* child) const {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    if (children_[i].get() == child) return static_cast<int>(i);
  }
  return -1;
}

void CContainer::SetInset(const Rect& inset) {
  inset_ = inset;
  NeedLayout();
}

void CContainer::SetChildPadding(int padding) {
  child_padding_ = padding;
  NeedLayout();
}

void CContainer::SetManager(CPaintManager* manager) {
  CControl::SetManager(manager);
  for (auto& child : children_) child->SetManager(manager);
}

void CContainer::SetPos(const Rect& pos) {
  CControl::SetPos(pos);
  LayoutChildren(pos.Deflated(inset_));
  LayoutFloats();
}

void CContainer::LayoutChildren(const Rect& inner) {
  for (auto& child : children_) {
    if (!child->IsOwnVisible() || child->IsFloat()) continue;
    child->SetPos(inner.Deflated(child->GetPadding()));
  }
}

void CContainer::LayoutFloats() {
  const Rect& pos = GetPos();
  for (auto& child : children_) {
    if (child->IsFloat() && child->IsOwnVisible()) {
      child->SetPos(child->GetFloatPos().Offset(pos.left, pos.top));
    }
  }
}

void CContainer::DoPaint(IRenderer& renderer, const Rect& dirty) {
  const Rect& pos = GetPos();
  if (!pos.Intersects(dirty)) return;
  CControl::DoPaint(renderer, dirty);
  // Children never draw outside their container.
  renderer.PushClip(pos, Size{});
  const Rect inner_dirty = dirty.Intersect(pos);
  for (auto& child : children_) {
    if (child->IsOwnVisible()) child->DoPaint(renderer, inner_dirty);
  }
  renderer.PopClip();
}

CControl* CContainer::FindControlAt(Point point) {
  if (!IsOwnVisible() || !GetPos().Contains(point)) return nullptr;
  // Later children are painted over earlier ones, so they are hit first.
  for (auto child = children_.rbegin(); child != children_.rend(); ++child) {
    if (CControl* hit = (*child)->FindControlAt(point)) return hit;
  }
  return this;
}

CControl* CContainer::FindControl(const std::wstring& name) {
  if (GetName() == name) return this;
  for (auto& child : children_) {
    if (CControl* found = child->FindControl(name)) return found;
  }
  return nullptr;
}

void CContainer::VisitTree(const std::function<void(CControl&)>& visit) {
  visit(*this);
  for (auto& child : children_) child->VisitTree(visit);
}

const ControlClass& CVerticalLayout::ClassInfo() {
  static const ControlClass info(L"VerticalLayout", &CContainer::ClassInfo(),
                                 [] { return std::make_unique<CVerticalLayout>(); });
  return info;
}

void CVerticalLayout::LayoutChildren(const Rect& inner) {
  int y = inner.top;
  for (const Slot& slot : ShareLine(children_, inner.Height(), GetChildPadding(), true)) {
    const Rect& pad = slot.control->GetPadding();
    const int fixed_width = slot.control->GetFixedWidth();
    const int left = inner.left + pad.left;
    const int right = fixed_width > 0 ? left + fixed_width : inner.right - pad.right;
    const int top = y + pad.top;
    slot.control->SetPos({left, top, right, top + slot.length});
    y = top + slot.length + pad.bottom + GetChildPadding();
  }
}

const ControlClass& CHorizontalLayout::ClassInfo() {
  static const ControlClass info(L"HorizontalLayout", &CContainer::ClassInfo(),
                                 [] { return std::make_unique<CHorizontalLayout>(); });
  return info;
}

void CHorizontalLayout::LayoutChildren(const Rect& inner) {
  int x = inner.left;
  for (const Slot& slot : ShareLine(children_, inner.Width(), GetChildPadding(), false)) {
    const Rect& pad = slot.control->GetPadding();
    const int fixed_height = slot.control->GetFixedHeight();
    const int top = inner.top + pad.top;
    const int bottom = fixed_height > 0 ? top + fixed_height : inner.bottom - pad.bottom;
    const int left = x + pad.left;
    slot.control->SetPos({left, top, left + slot.length, bottom});
    x = left + slot.length + pad.right + GetChildPadding();
  }
}

}  // namespace SkinUI
