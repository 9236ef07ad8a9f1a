// CNotifyDispatcher is a window's message map: handlers for notification types, optionally
// for one sender only, run in the order they were declared.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "skinui/notify.h"

namespace SkinUI {

class CNotifyDispatcher {
 public:
  using Handler = std::function<void(TNotify& msg)>;

  virtual ~CNotifyDispatcher() = default;

  /// Runs every handler whose type (and sender, when it names one) matches; true when any ran.
  /// The map is declared on first use.
  bool DispatchNotify(TNotify& msg);

 protected:
  /// Declares the message map with OnNotify; a subclass calls its base's first.
  virtual void DeclareMessageMap() {}
  /// Adds a handler for `type` from any control.
  void OnNotify(const std::wstring& type, Handler handler);
  /// Adds a handler for `type` from the control named `sender`.
  void OnNotify(const std::wstring& type, const std::wstring& sender, Handler handler);

 private:
  struct Entry {
    std::wstring type;
    std::wstring sender;  // empty for any
    Handler handler;
  };
  std::vector<Entry> entries_;
  bool declared_ = false;
};

}  // namespace SkinUI
