// The system's folder picker.
#pragma once

#include <optional>
#include <string>

namespace SkinUI {

class CNativeWindow;

/// Lets the user choose a folder, modal to `owner` (may be null), with `title` above it.
/// Gives the folder's path, or nothing when the user cancels.
std::optional<std::wstring> PickFolder(CNativeWindow* owner, const std::wstring& title);

}  // namespace SkinUI
