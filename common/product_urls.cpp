#include "common/product_urls.h"

std::wstring AppendCustomParam(const std::wstring& url, const std::wstring& custom) {
  if (url.empty()) return {};
  if (custom.empty()) return url;
  if (url.find(L"key=") != std::wstring::npos) return url + L"&custom=" + custom;
  return url;
}

bool SplitUrl(const std::wstring& url, std::wstring& host, std::wstring& path) {
  // The scheme is recognised at the start only: an https address whose query carries another
  // "http://" address must not lose its first seven characters.
  std::wstring rest;
  if (url.rfind(L"http://", 0) == 0) {
    rest = url.substr(7);
  } else if (url.rfind(L"https://", 0) == 0) {
    rest = url.substr(8);
  } else {
    return true;
  }
  const auto slash = rest.find(L'/');
  if (slash == std::wstring::npos) {
    host = rest;
    return false;
  }
  host = rest.substr(0, slash);
  path = rest.substr(slash + 1);
  return true;
}
