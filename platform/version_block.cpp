#include "platform/version_block.h"

#include <sstream>

namespace platform {

std::optional<std::string> FindVersionBlockValue(const std::string& block,
                                                 const std::string& name) {
  std::istringstream lines(block);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 &&
        line[name.size()] == '=') {
      return line.substr(name.size() + 1);
    }
  }
  return std::nullopt;
}

std::optional<FileVersion> ParseFileVersion(const std::string& text) {
  unsigned parts[4] = {0, 0, 0, 0};
  size_t index = 0;
  bool digit_seen = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      parts[index] = parts[index] * 10 + static_cast<unsigned>(c - '0');
      if (parts[index] > 0xFFFF) return std::nullopt;
      digit_seen = true;
    } else if (c == '.' && digit_seen && index < 3) {
      ++index;
      digit_seen = false;
    } else {
      return std::nullopt;
    }
  }
  if (!digit_seen) return std::nullopt;
  return FileVersion{parts[0], parts[1], parts[2], parts[3]};
}

}  // namespace platform
