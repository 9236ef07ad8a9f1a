#include "Window/install_paths.h"

#include "platform/file_system.h"
#include "platform/paths.h"

std::wstring InstallRootFromPathField(const std::wstring& text) {
  if (!text.empty() && text.back() == platform::kPathSeparator) return text;
  return text + platform::kPathSeparator;
}

std::wstring VolumeOfInstallRoot(const std::wstring& install_root) {
  const auto colon = install_root.find(L':');
  if (colon != std::wstring::npos) return install_root.substr(0, colon + 1);
  std::wstring folder = install_root;
  while (!folder.empty()) {
    while (folder.size() > 1 && folder.back() == platform::kPathSeparator) folder.pop_back();
    if (platform::IsDirectory(folder)) return folder;
    const auto last = folder.find_last_of(platform::kPathSeparator);
    if (last == std::wstring::npos) return L"";
    folder = last == 0 ? folder.substr(0, 1) : folder.substr(0, last);
  }
  return L"";
}
