#include "skinui/notify_dispatcher.h"

#include "skinui/control.h"

namespace SkinUI {

void CNotifyDispatcher::OnNotify(const std::wstring& type, Handler handler) {
  entries_.push_back({type, std::wstring(), std::move(handler)});
}

void CNotifyDispatcher::OnNotify(const std::wstring& type, const std::wstring& sender,
                                 Handler handler) {
  entries_.push_back({type, sender, std::move(handler)});
}

bool CNotifyDispatcher::DispatchNotify(TNotify& msg) {
  if (!declared_) {
    declared_ = true;
    DeclareMessageMap();
  }
  bool handled = false;
  // Handlers may declare more entries while they run; the loop goes by index for that.
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const Entry& entry = entries_[i];
    if (entry.type != msg.type) continue;
    if (!entry.sender.empty() && (!msg.sender || msg.sender->GetName() != entry.sender)) continue;
    const Handler handler = entry.handler;
    handler(msg);
    handled = true;
  }
  return handled;
}

}  // namespace SkinUI
