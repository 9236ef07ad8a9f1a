#include <windows.h>
// windows.h first: the shell header builds on it.
#include <shlobj.h>

#include <string>
#include <vector>

#include "platform/paths.h"

namespace platform {

const wchar_t kPathSeparator = L'\\';

bool IsElevated() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  const bool elevated =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
      elevation.TokenIsElevated != 0;
  CloseHandle(token);
  return elevated;
}

std::wstring GetProgramFilesFolder() {
  // A 32-bit program gets the x86 Program Files folder on 64-bit Windows.
  wchar_t folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return {};
  }
  std::wstring path(folder);
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring GetModulePath() {
  // Long paths are allowed: grow the buffer until the whole path fits.
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform
