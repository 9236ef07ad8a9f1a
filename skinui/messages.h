// The window messages of the toolkit. They carry the Win32 numbers, so that a controller reads
// the same on every system and a Windows backend can pass them through unchanged.
#pragma once

#include <cstdint>

namespace SkinUI {

using MessageId = unsigned int;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

enum : MessageId {
  kWmCreate = 0x0001,
  kWmDestroy = 0x0002,
  kWmSize = 0x0005,
  kWmSetFocus = 0x0007,
  kWmKillFocus = 0x0008,
  kWmClose = 0x0010,
  kWmQuit = 0x0012,
  kWmSetIcon = 0x0080,
  kWmNcHitTest = 0x0084,
  kWmKeyDown = 0x0100,
  kWmKeyUp = 0x0101,
  kWmChar = 0x0102,
  kWmSysKeyDown = 0x0104,
  kWmSysCommand = 0x0112,
  kWmTimer = 0x0113,
  kWmMouseMove = 0x0200,
  kWmLButtonDown = 0x0201,
  kWmLButtonUp = 0x0202,
  kWmLButtonDblClk = 0x0203,
  kWmMouseLeave = 0x02A3,
  kWmUser = 0x0400,
};

/// wParam of WM_SYSCOMMAND.
enum : WParam {
  kScSize = 0xF000,
  kScMove = 0xF010,
  kScMinimize = 0xF020,
  kScMaximize = 0xF030,
  kScClose = 0xF060,
  kScRestore = 0xF120,
};

/// Results of WM_NCHITTEST.
enum : LResult {
  kHtClient = 1,
  kHtCaption = 2,
  kHtLeft = 10,
  kHtRight = 11,
  kHtTop = 12,
  kHtTopLeft = 13,
  kHtTopRight = 14,
  kHtBottom = 15,
  kHtBottomLeft = 16,
  kHtBottomRight = 17,
};

/// Virtual-key codes in wParam of WM_KEYDOWN.
enum : WParam {
  kVkBack = 0x08,
  kVkTab = 0x09,
  kVkReturn = 0x0D,
  kVkEscape = 0x1B,
  kVkSpace = 0x20,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
  kVkDelete = 0x2E,
  kVkF4 = 0x73,
};

/// lParam of mouse messages: x in the low 16 bits, y in the high 16 bits, both signed.
constexpr LParam MakePointParam(int x, int y) {
  return static_cast<LParam>(static_cast<std::uint32_t>(
      (static_cast<std::uint32_t>(y & 0xFFFF) << 16) | static_cast<std::uint32_t>(x & 0xFFFF)));
}
constexpr int PointParamX(LParam lparam) {
  return static_cast<std::int16_t>(static_cast<std::uint32_t>(lparam) & 0xFFFF);
}
constexpr int PointParamY(LParam lparam) {
  return static_cast<std::int16_t>((static_cast<std::uint32_t>(lparam) >> 16) & 0xFFFF);
}

}  // namespace SkinUI
