// Input events as the paint manager hands them to one control.
#pragma once

#include "skinui/geometry.h"
#include "skinui/messages.h"

namespace SkinUI {

enum class EventType {
  kMouseEnter,
  kMouseLeave,
  kMouseMove,
  kButtonDown,
  kButtonUp,
  kDoubleClick,
  kSetFocus,
  kKillFocus,
  kKeyDown,
  kChar,
};

/// An input event for one control. `point` is in window pixels.
struct TEvent {
  EventType type = EventType::kMouseMove;
  Point point;
  WParam key = 0;         // virtual-key code of kKeyDown
  wchar_t character = 0;  // kChar
};

}  // namespace SkinUI
