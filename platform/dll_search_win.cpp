#include <windows.h>

#include "platform/dll_search.h"

namespace platform {

static_assert(LOAD_LIBRARY_SEARCH_SYSTEM32 == 0x00000800, "the system folder alone");

bool RestrictDllSearchToSystemFolder() {
  // Looked up rather than imported: Windows 7 without KB2533623 lacks the call.
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  const auto set_directories = reinterpret_cast<SetDirectories>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (set_directories && set_directories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
  SetDllDirectoryW(L"");  // takes the current folder out of the search order
  return false;
}

}  // namespace platform
