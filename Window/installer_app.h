// The installer's start-up: the work folder, the single-instance claim, the window created and
// centred, and its message loop.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Window/installer_system.h"

class CMainFrameWnd;

/// The name one copy of this setup claims: the program's FileDescription, else the base name
/// of `module_path` (the text after the last separator, up to its last ".").
std::wstring GetSingleInstanceName(const std::wstring& module_path);

/// Runs the installer and gives the exit code: 0 after the window has closed, -1 when another
/// copy of the same setup runs (that copy is asked to show its window), 1 without a display.
/// `on_created`, when given, is called once the window is shown (the demo pilot drives it).
int RunInstaller(std::shared_ptr<IInstallerSystem> system,
                 const std::function<void(CMainFrameWnd&)>& on_created = {});
