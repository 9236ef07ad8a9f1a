#include "platform/side_http_proxy.h"
#include "platform/system_proxy.h"

namespace platform {

khttp::ProxySettings SystemProxyFor(const std::string& scheme, const std::string& host) {
  return ProxyFromEnvironment(scheme, host);
}

}  // namespace platform
