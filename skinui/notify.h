// Control notifications and the interfaces through which a window hears about them, filters
// its keyboard and lends the builder its own control classes.
#pragma once

#include <memory>
#include <string>

#include "skinui/messages.h"

namespace SkinUI {

class CControl;

/// Notification types the controls send.
inline constexpr const wchar_t* kNotifyClick = L"click";
inline constexpr const wchar_t* kNotifySelectChanged = L"selectchanged";
inline constexpr const wchar_t* kNotifyTextChanged = L"textchanged";
inline constexpr const wchar_t* kNotifySetFocus = L"setfocus";
inline constexpr const wchar_t* kNotifyKillFocus = L"killfocus";
inline constexpr const wchar_t* kNotifyTabSelect = L"tabselect";
inline constexpr const wchar_t* kNotifyLink = L"link";

/// One notification: who sent it and what happened.
struct TNotify {
  std::wstring type;
  CControl* sender = nullptr;
  WParam wparam = 0;
  LParam lparam = 0;
};

/// Hears every notification of a window's controls, on the UI thread.
class INotifyListener {
 public:
  virtual ~INotifyListener() = default;
  virtual void Notify(TNotify& msg) = 0;
};

/// Sees keyboard messages before the focused control; setting `handled` consumes the message.
class IMessageFilter {
 public:
  virtual ~IMessageFilter() = default;
  virtual LResult MessageFilter(MessageId msg, WParam wparam, LParam lparam, bool& handled) = 0;
};

/// Lets a window supply control classes of its own while its skin is built.
class ISkinBuilderCallback {
 public:
  virtual ~ISkinBuilderCallback() = default;
  /// A new control for an element name the toolkit may not know; null to leave it to the
  /// toolkit's registry.
  virtual std::unique_ptr<CControl> CreateControl(const std::wstring& class_name) {
    return nullptr;
  }
};

}  // namespace SkinUI
