// The WinHTTP default proxy (what the side requests' sessions use), else the proxy the user set
// by hand in Internet Options. Automatic configuration scripts are not run: such a user's
// downloads go direct, as before.
#include <windows.h>
#include <winhttp.h>

#include "platform/system_proxy.h"
#include "platform/text.h"

namespace platform {
namespace {

std::string TakeText(LPWSTR text) {
  if (text == nullptr) return {};
  const std::string utf8 = WideToUtf8(text);
  GlobalFree(text);
  return utf8;
}

}  // namespace

khttp::ProxySettings SystemProxyFor(const std::string& scheme, const std::string& host) {
  WINHTTP_PROXY_INFO machine{};
  if (WinHttpGetDefaultProxyConfiguration(&machine)) {
    const std::string proxy = TakeText(machine.lpszProxy);
    const std::string bypass = TakeText(machine.lpszProxyBypass);
    if (machine.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && !proxy.empty()) {
      return ProxyFromWindowsList(proxy, bypass, scheme, host);
    }
  }
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  if (WinHttpGetIEProxyConfigForCurrentUser(&user)) {
    TakeText(user.lpszAutoConfigUrl);
    const std::string proxy = TakeText(user.lpszProxy);
    const std::string bypass = TakeText(user.lpszProxyBypass);
    if (!proxy.empty()) return ProxyFromWindowsList(proxy, bypass, scheme, host);
  }
  return {};
}

}  // namespace platform
