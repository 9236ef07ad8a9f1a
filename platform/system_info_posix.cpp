#include <sys/utsname.h>

#include <cstring>
#include <fstream>
#include <string>

#include "platform/system_info.h"
#include "platform/text.h"

namespace platform {

bool IsNativeProcessor64Bit() {
  utsname name{};
  if (uname(&name) != 0) return false;
  return std::strcmp(name.machine, "x86_64") == 0 || std::strcmp(name.machine, "ia64") == 0;
}

std::wstring GetOSProductName() {
  std::ifstream file("/etc/os-release");
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
    std::string value = line.substr(12);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return Utf8ToWide(value);
  }
  return {};
}

}  // namespace platform
