// A CONNECT tunnel through an HTTP proxy, for https.
#pragma once

#include <boost/system/error_code.hpp>
#include <functional>
#include <memory>
#include <string>

#include "khttp/http_response_parser.h"
#include "khttp/transport.h"

namespace khttp {

/// What the proxy answered to CONNECT.
struct tunnel_answer {
  response_head head;
  std::string raw_head;
};

using tunnel_handler = std::function<void(const boost::system::error_code&, const tunnel_answer&)>;

/// Writes `request` (BuildConnectRequest) to the proxy that `connection` is connected to and
/// reads its answer. 100 Continue is skipped. A status other than 200 is that status in category
/// "HTTP" (407: the proxy wants credentials); the head is parsed either way. A 200 followed by
/// more bytes before the tunnel was used is malformed (code 2).
void OpenTunnel(transport& connection, const std::string& request, tunnel_answer& answer,
                boost::system::error_code& ec);
void AsyncOpenTunnel(const std::shared_ptr<transport>& connection, std::string request,
                     tunnel_handler handler);

}  // namespace khttp
