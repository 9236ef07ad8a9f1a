// Message boxes with the button sets, icons and answers of Win32's MessageBox. A box is modal
// to its owner; timers and posted messages keep flowing while it is open.
#pragma once

#include <string>

namespace SkinUI {

class CNativeWindow;

/// The type flags, with the Win32 values.
enum : unsigned {
  kMbOk = 0x0,
  kMbOkCancel = 0x1,
  kMbAbortRetryIgnore = 0x2,
  kMbYesNoCancel = 0x3,
  kMbYesNo = 0x4,
  kMbRetryCancel = 0x5,
  kMbIconError = 0x10,
  kMbIconQuestion = 0x20,
  kMbIconWarning = 0x30,
  kMbIconInformation = 0x40,
  kMbSetForeground = 0x10000,
  kMbRight = 0x80000,
  kMbRtlReading = 0x100000,
};

/// The answers, with the Win32 values.
enum : int {
  kIdOk = 1,
  kIdCancel = 2,
  kIdAbort = 3,
  kIdRetry = 4,
  kIdIgnore = 5,
  kIdYes = 6,
  kIdNo = 7,
};

/// Shows `text` under `title` and returns the button pressed. `owner` may be null. Closing the
/// box answers Cancel where there is a Cancel button and OK for a lone OK; Yes/No and
/// Abort/Retry/Ignore boxes cannot be closed without an answer. kMbRtlReading lays the box
/// out right to left. Without a display the text goes to the standard error and the first
/// button is the answer.
int MessageBox(CNativeWindow* owner, const std::wstring& text, const std::wstring& title,
               unsigned type);

}  // namespace SkinUI
