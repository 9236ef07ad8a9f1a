#include "khttp/http_request.h"

#include "khttp/ascii.h"
#include "khttp/base64.h"

namespace khttp {
namespace {

namespace opt = http_options;

// Removes the first option called `name` in any letter case and gives its value. The very pair
// that was found is removed, so that "user-agent" is not sent a second time as an extra line.
bool Extract(RequestOptions& options, const char* name, std::string& value) {
  if (!options.Find(name, value)) return false;
  RequestOptions rest;
  rest.FakeContinue(options.FakeContinue());
  bool removed = false;
  for (const auto& option : options.Options()) {
    if (!removed && EqualsIgnoringCase(option.first, name)) {
      removed = true;
      continue;
    }
    rest.Insert(option.first, option.second);
  }
  options = rest;
  return true;
}

// Takes the option called `name` out of `options` and records it in `sent` under the canonical
// name; `fallback` when there is none.
std::string Take(RequestOptions& options, const char* name, const std::string& fallback,
                 RequestOptions& sent) {
  std::string value = fallback;
  Extract(options, name, value);
  sent.Insert(name, value);
  return value;
}

bool IsPseudoOption(const std::string& name) {
  for (const char* pseudo : {opt::kPath, opt::kUrl, opt::kRequestMethod, opt::kHttpVersion,
                             opt::kRequestBody, opt::kStatusCode}) {
    if (name == pseudo) return true;
  }
  return false;
}

void AppendLine(std::string& out, const char* name, const std::string& value) {
  out.append(name).append(": ").append(value).append("\r\n");
}

std::string Authority(const ParsedUrl& url) {
  const std::string host = url.Ipv6() ? "[" + url.Host() + "]" : url.Host();
  return host + ":" + std::to_string(url.Port());
}

}  // namespace

// Only the proxy's own credentials: the user name and password of the URL being fetched belong
// to the origin server and never go to a proxy.
std::string ProxyAuthorization(const ProxySettings& proxy) {
  if (proxy.kind == ProxyKind::HttpProxyAuth) {
    return "Basic " + Base64Encode(proxy.username + ":" + proxy.password);
  }
  return {};
}

built_request BuildRequest(const RequestOptions& given, const request_route& route,
                           request_form form, boost::system::error_code& ec) {
  ec.clear();
  built_request out;
  out.url = route.url;
  RequestOptions options = given;
  RequestOptions& sent = out.sent;

  std::string new_url;
  Extract(options, opt::kUrl, new_url);
  if (!new_url.empty()) {
    out.url = ParsedUrl::FromString(new_url, ec);
    if (ec) return {};
    sent.Insert(opt::kUrl, new_url);
  }
  const ParsedUrl& url = out.url;
  out.method = Take(options, opt::kRequestMethod, "GET", sent);
  const std::string version = Take(options, opt::kHttpVersion, "HTTP/1.1", sent);
  const std::string host = Take(options, opt::kHost, url.ToString(kUrlHostAndPort), sent);
  const std::string accept = Take(options, opt::kAccept, kDefaultAccept, sent);
  const std::string agent = Take(options, opt::kUserAgent, kDefaultUserAgent, sent);

  std::string credentials;
  if (route.via_http_proxy) {
    credentials = ProxyAuthorization(route.proxy);
    if (!credentials.empty()) sent.Insert("Proxy-Authorization", credentials);
  }
  const char* connection_name = route.via_http_proxy ? opt::kProxyConnection : opt::kConnection;
  const std::string connection = Take(options, connection_name, "close", sent);
  out.asks_close = EqualsIgnoringCase(connection, "close");

  if (Extract(options, opt::kRequestBody, out.body)) sent.Insert(opt::kRequestBody, out.body);
  std::string extra;
  bool has_length = false;
  for (const auto& option : options.Options()) {
    if (IsPseudoOption(option.first)) continue;
    if (EqualsIgnoringCase(option.first, opt::kContentLength)) has_length = true;
    AppendLine(extra, option.first.c_str(), option.second);
    sent.Insert(option.first, option.second);
  }
  if (!out.body.empty() && !has_length) {
    const std::string length = std::to_string(out.body.size());
    AppendLine(extra, opt::kContentLength, length);
    sent.Insert(opt::kContentLength, length);
  }

  const std::string target =
      route.via_http_proxy ? url.ToString(kUrlProtocol | kUrlHost | kUrlPort | kUrlPath | kUrlQuery)
                           : url.ToString(kUrlPath | kUrlQuery);
  sent.Insert(opt::kPath, target);

  std::string& head = out.head;
  head = out.method + " " + target + " " + version + "\r\n";
  AppendLine(head, opt::kHost, host);
  AppendLine(head, opt::kAccept, accept);
  if (form == request_form::asynchronous && !credentials.empty()) {
    AppendLine(head, "Proxy-Authorization", credentials);
  }
  AppendLine(head, opt::kUserAgent, agent);
  if (!route.cookie.empty()) AppendLine(head, opt::kCookie, route.cookie);
  AppendLine(head, connection_name, connection);
  if (form == request_form::blocking && !credentials.empty()) {
    AppendLine(head, "Proxy-Authorization", credentials);
  }
  head += extra;
  head += "\r\n";
  return out;
}

std::string BuildConnectRequest(const ParsedUrl& url, const ProxySettings& proxy,
                                const RequestOptions& options) {
  std::string host = url.ToString(kUrlHostAndPort);
  std::string accept = kDefaultAccept;
  std::string agent = kDefaultUserAgent;
  options.Find(opt::kHost, host);
  options.Find(opt::kAccept, accept);
  options.Find(opt::kUserAgent, agent);
  std::string request = "CONNECT " + Authority(url) + " HTTP/1.1\r\n";
  AppendLine(request, opt::kHost, host);
  const std::string credentials = ProxyAuthorization(proxy);
  if (!credentials.empty()) AppendLine(request, "Proxy-Authorization", credentials);
  AppendLine(request, opt::kAccept, accept);
  AppendLine(request, opt::kUserAgent, agent);
  request += "\r\n";
  return request;
}

}  // namespace khttp
