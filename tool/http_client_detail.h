// Pieces the HTTP client library's transports share.
#pragma once

#include <string>

class IHttpBase;

namespace http_client_detail {

/// An address as the clients split it: the scheme (only at the start) chooses TLS and the
/// default port, an explicit port wins, the path starts with "/" ("/" when the URL has none).
struct ClientUrl {
  std::string host;
  int port = 80;
  std::string path = "/";
  bool secure = false;
};
ClientUrl SplitClientUrl(const std::string& url);

/// A new socket client, or null.
IHttpBase* NewSocketClient();

}  // namespace http_client_detail
