#include "common/product_urls.h"

#include "platform/text.h"

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

std::wstring PercentEncodeQueryValue(const std::wstring& value) {
  static const char kHex[] = "0123456789ABCDEF";
  std::wstring out;
  for (unsigned char byte : platform::WideToUtf8(value)) {
    const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                       byte == '~';
    if (plain) {
      out += static_cast<wchar_t>(byte);
    } else {
      out += L'%';
      out += static_cast<wchar_t>(kHex[byte >> 4]);
      out += static_cast<wchar_t>(kHex[byte & 15]);
    }
  }
  return out;
}
