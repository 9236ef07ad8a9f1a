#include "common/system_utils.h"

#include "platform/file_name.h"
#include "platform/file_system.h"
#include "platform/ini_file.h"
#include "platform/paths.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "platform/ui_language.h"
#include "platform/version_info.h"

namespace {

constexpr size_t kLongestProcessName = 63;

}  // namespace

std::wstring GetDefaultInstallRoot() {
  return platform::GetProgramFilesFolder() + platform::kPathSeparator;
}

std::wstring GetWorkFolder() {
  std::wstring base_name = GetFileNamePart(platform::GetModulePath());
  const auto dot = base_name.rfind(L'.');
  if (dot != std::wstring::npos) base_name.resize(dot);
  return GetDefaultInstallRoot() + L"kelvane_down" + platform::kPathSeparator + base_name +
         platform::kPathSeparator;
}

bool GetDiskFreeMB(const std::wstring& path, std::uint32_t& megabytes) {
  const auto free_bytes = platform::GetVolumeFreeBytes(path);
  if (!free_bytes) return false;
  megabytes = static_cast<std::uint32_t>(*free_bytes >> 20);
  return true;
}

std::wstring GetFileVersionString(const std::wstring& path) {
  const auto version = platform::ReadFileVersion(path);
  if (!version) return {};
  return std::to_wstring(version->major) + L"." + std::to_wstring(version->minor) + L"." +
         std::to_wstring(version->build) + L"." + std::to_wstring(version->revision);
}

std::wstring GetUILanguageId() { return std::to_wstring(platform::GetUserUILanguageId()); }

std::wstring GetFileNamePart(const std::wstring& path) { return platform::FileNamePart(path); }

std::wstring GetWindowsProductName() { return platform::GetOSProductName(); }

std::wstring ReadIniValue(const std::wstring& file, const std::wstring& section,
                          const std::wstring& key) {
  return platform::ReadProfileString(file, section, key);
}

bool ReadIniSection(const std::wstring& file, const std::wstring& section, StringTable& table) {
  for (const std::wstring& entry : platform::ReadProfileSection(file, section)) {
    std::wstring key;
    std::wstring value;
    SplitOnce(entry, L"=", key, value);
    table[key] = value;
  }
  return true;
}

bool IsNative64Bit() { return platform::IsNativeProcessor64Bit(); }

bool FileExists(const std::wstring& path) { return platform::CanOpenForReading(path); }

bool FindProcess(const std::wstring& image_name, platform::ProcessId& process_id) {
  if (image_name.size() > kLongestProcessName) return false;
  const auto found = platform::FindProcessByImageName(image_name);
  if (!found) return false;
  process_id = *found;
  return true;
}

bool KillProcess(platform::ProcessId process_id) {
  return platform::TerminateProcessById(process_id);
}

bool ShellOpen(void* /*owner*/, const std::wstring& target) {
  return platform::OpenWithDefaultHandler(target);
}

bool RunSilentInstaller(const std::wstring& installer, const std::wstring& install_root,
                        const std::wstring& progress_file) {
  platform::RunAndWait(installer, {L"/verysilent", L"/kelvane_down", L"/wait_run",
                                   L"/path=" + install_root, L"/progress=" + progress_file});
  return true;
}

void RunProgram(const std::wstring& program, bool elevated) {
  platform::StartProgram(program, {},
                         elevated ? platform::RunAs::kThisProcess : platform::RunAs::kInvokingUser);
}

bool IsInstallPathUsable(const std::wstring& path, bool& exists) {
  exists = false;
  std::wstring folder = path;
  if (folder.size() > 1 && folder.back() == platform::kPathSeparator) folder.pop_back();
  switch (platform::ProbePath(folder)) {
    case platform::PathState::kExists:
      exists = true;
      return true;
    case platform::PathState::kParentMissing:
      return false;
    case platform::PathState::kLeafMissing:
    case platform::PathState::kUnknown:
      return true;
  }
  return false;
}

bool SplitOnce(const std::wstring& text, const std::wstring& separator, std::wstring& first,
               std::wstring& second) {
  const auto found = text.find(separator);
  if (found == std::wstring::npos) {
    first = text;
    second.clear();
    return false;
  }
  first = text.substr(0, found);
  second = text.substr(found + separator.size());
  return true;
}

void ReplaceAll(std::wstring& text, const std::wstring& search, const std::wstring& replacement) {
  if (search.empty()) return;
  size_t position = 0;
  while ((position = text.find(search, position)) != std::wstring::npos) {
    text.replace(position, search.size(), replacement);
    position += replacement.size();
  }
}
