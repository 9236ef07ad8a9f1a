#include <windows.h>

#include "platform/system_info.h"

namespace platform {

static_assert(PROCESSOR_ARCHITECTURE_AMD64 == 9 && PROCESSOR_ARCHITECTURE_IA64 == 6,
              "the processor architectures counted as 64-bit");

bool IsNativeProcessor64Bit() {
  // GetNativeSystemInfo tells the machine's processor to a 32-bit program under WOW64.
  using NativeSystemInfo = void(WINAPI*)(LPSYSTEM_INFO);
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return false;
  const auto native = reinterpret_cast<NativeSystemInfo>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "GetNativeSystemInfo")));
  if (!native) return false;
  SYSTEM_INFO info{};
  native(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
         info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}

std::wstring GetOSProductName() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                    KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return {};
  }
  wchar_t value[1024] = {};
  DWORD size = sizeof(value) - sizeof(wchar_t);  // room for a terminator the value may lack
  DWORD type = 0;
  std::wstring name;
  if (RegQueryValueExW(key, L"ProductName", nullptr, &type, reinterpret_cast<BYTE*>(value),
                       &size) == ERROR_SUCCESS &&
      type == REG_SZ) {
    name = value;
  }
  RegCloseKey(key);
  return name;
}

}  // namespace platform
