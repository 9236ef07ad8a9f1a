#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "platform/paths.h"
#include "platform/text.h"

namespace platform {

const wchar_t kPathSeparator = L'/';

namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* entry = getpwuid(geteuid()); entry && entry->pw_dir) return entry->pw_dir;
  return {};
}

}  // namespace

bool IsElevated() { return geteuid() == 0; }

std::wstring GetProgramFilesFolder() {
  if (IsElevated()) return L"/opt";
  if (const char* data_home = std::getenv("XDG_DATA_HOME"); data_home && data_home[0] == '/') {
    return NarrowToWide(data_home);
  }
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  return NarrowToWide(home + "/.local/share");
}

std::wstring GetModulePath() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (length <= 0) return {};
  return NarrowToWide(std::string(buffer, static_cast<size_t>(length)));
}

}  // namespace platform
