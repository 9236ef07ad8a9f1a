// On Windows the work folder lies under Program Files, whose inherited access list already lets
// only administrators, SYSTEM and the installer service write there; an ordinary user cannot
// create, replace or rename a file in it. What is left to check here is that the names are what
// they claim to be: a real folder and a real file, not a junction, symbolic link or other
// reparse point that would send the elevated setup somewhere a user controls.
#include <windows.h>

#include "platform/private_files.h"

namespace platform {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

std::wstring ParentOf(std::wstring path) {
  while (path.size() > 1 && IsSeparator(path.back())) path.pop_back();
  const auto cut = path.find_last_of(L"\\/");
  if (cut == std::wstring::npos) return L".";
  if (cut == 2 && path[1] == L':') return path.substr(0, 3);
  return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

// The attributes of `path` itself (a reparse point is opened, not followed); nothing when it
// cannot be opened.
bool OwnAttributes(const std::wstring& path, DWORD& attributes) {
  const HANDLE handle = CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  attributes = info.dwFileAttributes;
  return ok;
}

bool IsRealFolder(const std::wstring& path) {
  DWORD attributes = 0;
  return OwnAttributes(path, attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
         (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
}

}  // namespace

bool RestrictFolderToOwner(const std::wstring& folder) { return IsRealFolder(folder); }

bool PrepareOwnProgramForRun(const std::wstring& path) {
  DWORD attributes = 0;
  if (!IsRealFolder(ParentOf(path)) || !OwnAttributes(path, attributes)) return false;
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0) return false;
  // A read-only mark would only make the later clean-up fail.
  return (attributes & FILE_ATTRIBUTE_READONLY) == 0 ||
         SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) != 0;
}

}  // namespace platform
