// The bytes of a request, built from a list of request options.
#pragma once

#include <boost/system/error_code.hpp>
#include <string>

#include "khttp/parsed_url.h"
#include "khttp/proxy_settings.h"
#include "khttp/request_options.h"

namespace khttp {

inline constexpr char kDefaultAccept[] = "text/html, application/xhtml+xml, */*";
inline constexpr char kDefaultUserAgent[] =
    "Mozilla/5.0 (Windows NT 6.1; Trident/7.0; rv:11.0) like Gecko";

/// The blocking and the asynchronous request put their fixed header lines in different orders
/// (servers see either); both orders are kept as they are.
enum class request_form { blocking, asynchronous };

/// Where a request goes and what rides along with it.
struct request_route {
  ParsedUrl url;  // the current URL; "_url" replaces it
  ProxySettings proxy;
  bool via_http_proxy = false;  // plain http through an HTTP proxy: absolute target, Proxy-*
  std::string cookie;           // the Cookie header value; empty for none
};

struct built_request {
  std::string head;  // request line and header lines, up to and including the empty line
  std::string body;
  RequestOptions sent;  // every option with the value that was sent, "_path" the target
  ParsedUrl url;        // the URL the request is for
  std::string method;
  bool asks_close = false;  // Connection (or Proxy-Connection) was "close"
};

/// "Basic " + Base64 of "username:password" for HttpProxyAuth; empty otherwise. The user
/// information of the URL being fetched is the origin's and never goes to a proxy.
std::string ProxyAuthorization(const ProxySettings& proxy);

/// Builds a request from `options`. Options taken by name (first match ignoring letter case):
/// "_url", "_request_method" (GET), "_http_version" (HTTP/1.1), "Host" (host and port of the
/// URL), "Accept", "User-Agent", "Connection" or through an HTTP proxy "Proxy-Connection"
/// (close), "_request_body". Every other option becomes a header line in its order, except the
/// pseudo-options. A body without a Content-Length option gets one. The fragment of the URL is
/// never sent; through an HTTP proxy the target is the absolute URL without user information.
/// Fails (invalid_argument) only for a "_url" that is no URL.
built_request BuildRequest(const RequestOptions& options, const request_route& route,
                           request_form form, boost::system::error_code& ec);

/// "CONNECT host:port HTTP/1.1" with Host, Proxy-Authorization (when there are credentials),
/// Accept and User-Agent; the last three from `options` when they carry them.
std::string BuildConnectRequest(const ParsedUrl& url, const ProxySettings& proxy,
                                const RequestOptions& options);

}  // namespace khttp
