#include "skinui/paint_manager.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/text.h"
#include "skinui/archive.h"
#include "skinui/control.h"
#include "skinui/values.h"

namespace SkinUI {
namespace {

std::wstring& ResourcePath() {
  static std::wstring path;
  return path;
}

bool IsAbsolutePath(const std::wstring& file) {
  return (!file.empty() && (file[0] == L'/' || file[0] == L'\\')) ||
         (file.size() > 2 && file[1] == L':' && (file[2] == L'\\' || file[2] == L'/'));
}

std::optional<std::string> ReadDiskFile(const std::wstring& path) {
  std::ifstream input(std::filesystem::u8path(platform::WideToUtf8(path)), std::ios::binary);
  if (!input) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(input)), {});
}

}  // namespace

CPaintManager::CPaintManager() = default;

CPaintManager::~CPaintManager() {
  // Controls reap themselves while the tree goes; nothing may point into it meanwhile.
  focus_ = hover_ = pressed_ = nullptr;
  std::unique_ptr<CControl> root = std::move(root_);
  root.reset();
}

void CPaintManager::SetResourcePath(const std::wstring& path) { ResourcePath() = path; }
const std::wstring& CPaintManager::GetResourcePath() { return ResourcePath(); }

void CPaintManager::AttachRoot(std::unique_ptr<CControl> root) {
  focus_ = hover_ = pressed_ = nullptr;
  root_ = std::move(root);
  if (root_) root_->SetManager(this);
  need_layout_ = true;
  Invalidate();
}

const FontSpec& CPaintManager::GetFont(int id) const {
  const auto found = fonts_.find(id);
  return found == fonts_.end() ? default_font_ : found->second;
}

void CPaintManager::SetClientSize(const Size& size) {
  if (size == client_size_) return;
  client_size_ = size;
  need_layout_ = true;
  Invalidate();
}

void CPaintManager::EnsureLayout() {
  if (!need_layout_ || !root_) return;
  need_layout_ = false;
  root_->SetPos({0, 0, client_size_.cx, client_size_.cy});
  // Setting positions may ask for another pass (a control that changes size while placed);
  // one more is enough for the controls the toolkit has.
  if (need_layout_) {
    need_layout_ = false;
    root_->SetPos({0, 0, client_size_.cx, client_size_.cy});
  }
  need_layout_ = false;
}

CControl* CPaintManager::FindControl(const std::wstring& name) {
  return root_ && !name.empty() ? root_->FindControl(name) : nullptr;
}

CControl* CPaintManager::FindSubControl(CControl* parent, const std::wstring& name) {
  return parent && !name.empty() ? parent->FindControl(name) : nullptr;
}

CControl* CPaintManager::FindControlAt(Point point) {
  EnsureLayout();
  return root_ ? root_->FindControlAt(point) : nullptr;
}

void CPaintManager::SetFocus(CControl* control) {
  if (control && (!control->IsFocusable() || !control->IsVisible() || !control->IsEnabled())) {
    return;
  }
  if (control == focus_) return;
  CControl* old = focus_;
  focus_ = nullptr;
  if (old) {
    SendEvent(old, EventType::kKillFocus, {});
    SendNotify(old, kNotifyKillFocus);
  }
  // A handler of "killfocus" may have moved the focus on already.
  if (focus_) return;
  focus_ = control;
  if (control) {
    SendEvent(control, EventType::kSetFocus, {});
    SendNotify(control, kNotifySetFocus);
  }
}

void CPaintManager::MoveFocus(bool forward) {
  if (!root_) return;
  std::vector<CControl*> candidates;
  root_->VisitTree([&](CControl& control) {
    if (control.IsFocusable() && control.IsVisible() && control.IsEnabled()) {
      candidates.push_back(&control);
    }
  });
  if (candidates.empty()) return;
  auto current = std::find(candidates.begin(), candidates.end(), focus_);
  std::size_t index = 0;
  if (current != candidates.end()) {
    const std::size_t at = static_cast<std::size_t>(current - candidates.begin());
    index =
        forward ? (at + 1) % candidates.size() : (at + candidates.size() - 1) % candidates.size();
  } else if (!forward) {
    index = candidates.size() - 1;
  }
  SetFocus(candidates[index]);
}

void CPaintManager::ReapControl(CControl* control) {
  if (focus_ == control) focus_ = nullptr;
  if (hover_ == control) hover_ = nullptr;
  if (pressed_ == control) pressed_ = nullptr;
}

void CPaintManager::AddNotifier(INotifyListener* listener) {
  if (listener && std::find(notifiers_.begin(), notifiers_.end(), listener) == notifiers_.end()) {
    notifiers_.push_back(listener);
  }
}

void CPaintManager::RemoveNotifier(INotifyListener* listener) {
  notifiers_.erase(std::remove(notifiers_.begin(), notifiers_.end(), listener), notifiers_.end());
}

void CPaintManager::SendNotify(CControl* sender, const std::wstring& type, WParam wparam,
                               LParam lparam) {
  TNotify msg{type, sender, wparam, lparam};
  // A listener may add or remove listeners while it runs.
  const std::vector<INotifyListener*> listeners = notifiers_;
  for (INotifyListener* listener : listeners) {
    if (std::find(notifiers_.begin(), notifiers_.end(), listener) != notifiers_.end()) {
      listener->Notify(msg);
    }
  }
}

void CPaintManager::AddMessageFilter(IMessageFilter* filter) {
  if (filter && std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) {
    filters_.push_back(filter);
  }
}

void CPaintManager::RemoveMessageFilter(IMessageFilter* filter) {
  filters_.erase(std::remove(filters_.begin(), filters_.end(), filter), filters_.end());
}

bool CPaintManager::PreMessageHandler(MessageId msg, WParam wparam, LParam lparam,
                                      LResult& result) {
  if (msg != kWmKeyDown && msg != kWmKeyUp && msg != kWmChar && msg != kWmSysKeyDown) {
    return false;
  }
  const std::vector<IMessageFilter*> filters = filters_;
  for (IMessageFilter* filter : filters) {
    bool handled = false;
    const LResult answer = filter->MessageFilter(msg, wparam, lparam, handled);
    if (handled) {
      result = answer;
      return true;
    }
  }
  return false;
}

void CPaintManager::SendEvent(CControl* control, EventType type, Point point, WParam key,
                              wchar_t character) {
  if (!control) return;
  TEvent event;
  event.type = type;
  event.point = point;
  event.key = key;
  event.character = character;
  control->DoEvent(event);
}

void CPaintManager::SetHover(CControl* control, Point point) {
  if (control == hover_) return;
  CControl* old = hover_;
  hover_ = control;
  SendEvent(old, EventType::kMouseLeave, point);
  // The leave handler may have taken the control away.
  if (hover_ == control) SendEvent(control, EventType::kMouseEnter, point);
}

bool CPaintManager::MessageHandler(MessageId msg, WParam wparam, LParam lparam, LResult& result) {
  result = 0;
  const Point point{PointParamX(lparam), PointParamY(lparam)};
  switch (msg) {
    case kWmSize:
      SetClientSize({static_cast<int>(lparam & 0xFFFF), static_cast<int>((lparam >> 16) & 0xFFFF)});
      EnsureLayout();
      return false;  // the window's own handling goes on
    case kWmMouseMove: {
      CControl* at = FindControlAt(point);
      if (at && !at->IsEnabled()) at = nullptr;
      // While a control is pressed, only it hears the mouse, and it stays hot.
      if (pressed_) {
        SetHover(at == pressed_ ? pressed_ : nullptr, point);
        SendEvent(pressed_, EventType::kMouseMove, point);
      } else {
        SetHover(at, point);
        SendEvent(at, EventType::kMouseMove, point);
      }
      return true;
    }
    case kWmMouseLeave:
      if (!pressed_) SetHover(nullptr, point);
      return true;
    case kWmLButtonDown:
    case kWmLButtonDblClk: {
      CControl* at = FindControlAt(point);
      if (!at || !at->IsEnabled()) return true;
      if (at->IsFocusable()) {
        SetFocus(at);
        // The focus handlers may have hidden or disabled the control, or run a dialog.
        if (!at->IsVisible() || !at->IsEnabled()) return true;
      }
      pressed_ = at;
      SetHover(at, point);
      SendEvent(at, msg == kWmLButtonDown ? EventType::kButtonDown : EventType::kDoubleClick,
                point);
      return true;
    }
    case kWmLButtonUp: {
      CControl* pressed = pressed_;
      pressed_ = nullptr;
      if (pressed) SendEvent(pressed, EventType::kButtonUp, point);
      CControl* at = FindControlAt(point);
      SetHover(at && at->IsEnabled() ? at : nullptr, point);
      return true;
    }
    case kWmKeyDown:
      if (wparam == kVkTab) {
        MoveFocus(true);
        return true;
      }
      if (focus_) SendEvent(focus_, EventType::kKeyDown, point, wparam);
      return focus_ != nullptr;
    case kWmChar:
      if (focus_) SendEvent(focus_, EventType::kChar, point, 0, static_cast<wchar_t>(wparam));
      return focus_ != nullptr;
    case kWmKillFocus:
      // The window lost the keyboard: a press in progress ends without a click.
      if (pressed_) {
        CControl* pressed = pressed_;
        pressed_ = nullptr;
        SendEvent(pressed, EventType::kButtonUp, {-1, -1});
      }
      SetHover(nullptr, point);
      return false;
    default:
      return false;
  }
}

LResult CPaintManager::HitTest(Point point, bool maximized) {
  const Size& client = client_size_;
  if (!maximized) {
    const bool left = point.x < size_box_.left;
    const bool right = point.x >= client.cx - size_box_.right;
    const bool top = point.y < size_box_.top;
    const bool bottom = point.y >= client.cy - size_box_.bottom;
    if (top && left) return kHtTopLeft;
    if (top && right) return kHtTopRight;
    if (bottom && left) return kHtBottomLeft;
    if (bottom && right) return kHtBottomRight;
    if (left) return kHtLeft;
    if (right) return kHtRight;
    if (top) return kHtTop;
    if (bottom) return kHtBottom;
  }
  if (point.x >= caption_.left && point.x < client.cx - caption_.right && point.y >= caption_.top &&
      point.y < caption_.bottom) {
    CControl* at = FindControlAt(point);
    if (!at || !at->TakesMousePress()) return kHtCaption;
  }
  return kHtClient;
}

void CPaintManager::Paint(IRenderer& renderer, const Rect& dirty) {
  EnsureLayout();
  if (root_ && root_->IsOwnVisible()) root_->DoPaint(renderer, dirty);
}

void CPaintManager::Invalidate(const Rect& rect) {
  if (host_) host_->InvalidateRect(rect);
}

void CPaintManager::Invalidate() { Invalidate({0, 0, client_size_.cx, client_size_.cy}); }

std::shared_ptr<IImage> CPaintManager::GetImage(IRenderer& renderer, const std::wstring& file) {
  const auto cached = images_.find(file);
  if (cached != images_.end()) return cached->second;
  std::optional<std::string> bytes;
  const bool on_disk = IsAbsolutePath(file);
  if (on_disk) {
    bytes = ReadDiskFile(file);
  } else if (source_) {
    bytes = source_->ReadFile(file);
  }
  std::shared_ptr<IImage> image = bytes ? renderer.DecodeImage(*bytes) : nullptr;
  // A file on disk may still appear (pictures arrive while the window is up); the skin does
  // not change, so what it lacks is remembered as missing.
  if (image || !on_disk) images_[file] = image;
  return image;
}

}  // namespace SkinUI
