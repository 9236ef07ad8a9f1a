// The side requests' proxy question and failure texts on Windows: WinINet answers whether the
// system reaches the web through a proxy and holds the texts the request wrapper logs.
#include <windows.h>
#include <wininet.h>

#include <string>

#include "platform/side_http.h"

namespace platform {
namespace {

static_assert(INTERNET_CONNECTION_PROXY == 0x04, "");
// The neutral language with the default sublanguage: the user's language, else any.
constexpr DWORD kNeutralLanguage = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT);
static_assert(kNeutralLanguage == 1024, "");

std::string FormatText(DWORD source, HMODULE module, int code) {
  char text[1024] = {};
  const DWORD flags = source | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD length = FormatMessageA(flags, module, static_cast<DWORD>(code), kNeutralLanguage, text,
                                sizeof(text), nullptr);
  if (length == 0 && GetLastError() == ERROR_RESOURCE_LANG_NOT_FOUND) {
    length =
        FormatMessageA(flags, module, static_cast<DWORD>(code), 0, text, sizeof(text), nullptr);
  }
  return std::string(text, length);
}

}  // namespace

bool SideHttpUsesProxy(int& error) {
  error = 0;
  DWORD flags = 0;
  if (!InternetGetConnectedState(&flags, 0)) {
    error = static_cast<int>(GetLastError());
    return false;
  }
  return (flags & INTERNET_CONNECTION_PROXY) != 0;
}

std::string SideHttpErrorText(int code) {
  // WinHTTP's own texts first; WinINet holds the same numbers where WinHTTP holds no texts (Wine);
  // then the system's (the parameter, the handles).
  std::string text;
  for (const wchar_t* name : {L"winhttp.dll", L"wininet.dll"}) {
    const HMODULE module = GetModuleHandleW(name);
    if (module != nullptr && text.empty()) {
      text = FormatText(FORMAT_MESSAGE_FROM_HMODULE, module, code);
    }
  }
  if (text.empty()) text = FormatText(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code);
  return text;
}

MessageModule SideHttpMessageModule() { return GetModuleHandleW(L"wininet.dll"); }

std::string ModuleMessageText(MessageModule module, int code) {
  // A null module would name this program, which holds no texts.
  if (module == nullptr) return {};
  return FormatText(FORMAT_MESSAGE_FROM_HMODULE, static_cast<HMODULE>(const_cast<void*>(module)),
                    code);
}

}  // namespace platform
