#include "khttp/redirect.h"

namespace khttp {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool IsSchemeByte(char c) {
  return IsLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// A letter, then letters, digits, "+", "-" or ".", then ":".
bool HasScheme(const std::string& location) {
  if (location.empty() || !IsLetter(location[0])) return false;
  for (std::size_t i = 1; i < location.size(); ++i) {
    if (location[i] == ':') return true;
    if (!IsSchemeByte(location[i])) return false;
  }
  return false;
}

}  // namespace

std::string ResolveLocation(const ParsedUrl& base, const std::string& location) {
  if (HasScheme(location)) return location;
  if (location.compare(0, 2, "//") == 0) return base.Protocol() + ":" + location;
  const std::string origin = base.ToString(kUrlProtocol | kUrlUserInfo | kUrlHost | kUrlPort);
  if (!location.empty() && location[0] == '/') return origin + location;
  const std::string& path = base.Path();
  return origin + path.substr(0, path.rfind('/') + 1) + location;
}

}  // namespace khttp
