#include "platform/system_proxy.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace platform {
namespace {

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::vector<std::string> Entries(const std::string& list) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = list.find_first_of("; \t\r\n", start);
    if (end == std::string::npos) end = list.size();
    if (end > start) entries.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

// '*' stands for any run of characters; the rest compares without letter case.
bool Matches(const std::string& pattern, const std::string& text) {
  std::size_t p = 0;
  std::size_t t = 0;
  std::size_t star = std::string::npos;
  std::size_t resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool Bypassed(const std::string& bypass, const std::string& host) {
  const std::string name = Lower(host);
  for (const std::string& entry : Entries(Lower(bypass))) {
    if (entry == "<local>" ? name.find('.') == std::string::npos : Matches(entry, name)) {
      return true;
    }
  }
  return false;
}

// "[http://]host[:port][/]" as an HTTP proxy; false for anything else.
bool ParseHttpProxy(std::string text, khttp::ProxySettings& proxy) {
  const std::string prefix = "http://";
  if (Lower(text.substr(0, prefix.size())) == prefix) text.erase(0, prefix.size());
  if (text.find("://") != std::string::npos) return false;
  while (!text.empty() && text.back() == '/') text.pop_back();
  int port = 80;
  const auto colon = text.rfind(':');
  if (colon != std::string::npos && text.find(']', colon) == std::string::npos) {
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; })) {
      return false;
    }
    port = std::stoi(digits);
    text.erase(colon);
  }
  if (text.size() > 2 && text.front() == '[' && text.back() == ']') {
    text = text.substr(1, text.size() - 2);
  }
  if (text.empty() || port < 1 || port > 65535) return false;
  proxy = khttp::ProxySettings();
  proxy.hostname = text;
  proxy.port = port;
  proxy.kind = khttp::ProxyKind::HttpProxy;
  return true;
}

}  // namespace

khttp::ProxySettings ProxyFromWindowsList(const std::string& proxy, const std::string& bypass,
                                          const std::string& scheme, const std::string& host) {
  if (Bypassed(bypass, host)) return {};
  std::string chosen;
  std::string fallback;
  for (const std::string& entry : Entries(proxy)) {
    const auto equals = entry.find('=');
    if (equals == std::string::npos) {
      if (fallback.empty()) fallback = entry;
    } else if (Lower(entry.substr(0, equals)) == Lower(scheme) && chosen.empty()) {
      chosen = entry.substr(equals + 1);
    }
  }
  if (chosen.empty()) chosen = fallback;
  khttp::ProxySettings settings;
  if (chosen.empty() || !ParseHttpProxy(chosen, settings)) return {};
  return settings;
}

}  // namespace platform
