#include "Window/installer_app.h"

#include "Window/main_frame.h"
#include "log/log.h"
#include "platform/paths.h"
#include "platform/single_instance.h"
#include "platform/version_info.h"

namespace {

// WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU
constexpr std::uint32_t kMainWindowStyle = 0x96C80000u;

}  // namespace

std::wstring GetSingleInstanceName(const std::wstring& module_path) {
  const std::wstring description = platform::ReadFileDescription(module_path);
  if (!description.empty()) return description;
  const auto slash = module_path.find_last_of(L"\\/");
  const std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
  const auto dot = module_path.find_last_of(L'.');
  if (dot == std::wstring::npos || dot < start) return module_path.substr(start);
  return module_path.substr(start, dot - start);
}

int RunInstaller(std::shared_ptr<IInstallerSystem> system,
                 const std::function<void(CMainFrameWnd&)>& on_created) {
  CMainFrameWnd frame(std::move(system));
  frame.InitWorkFolder();
  const std::wstring name = GetSingleInstanceName(platform::GetModulePath());
  CMainFrameWnd* target = &frame;
  auto claim = platform::ClaimSingleInstance(name, [target] {
    // Any thread; dropped once the window is gone.
    target->PostMessage(kWmRaiseWindow);
  });
  if (!claim) {
    KLOGW(kLogInfo, L"another copy of %ls runs", name.c_str());
    return -1;
  }
  const std::wstring module_path = platform::GetModulePath();
  SkinUI::CPaintManager::SetResourcePath(
      module_path.substr(0, module_path.find_last_of(platform::kPathSeparator) + 1));
  if (!frame.Create(nullptr, frame.GetWindowTitle(), kMainWindowStyle, 0)) {
    KLOGA(kLogError, "the window cannot be created (no display)");
    return 1;
  }
  frame.CenterWindow();
  if (on_created) on_created(frame);
  frame.ShowModal();
  return 0;
}
