#include <stdlib.h>

#include <climits>
#include <string>

#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/version_block.h"
#include "platform/version_info.h"

namespace platform {
namespace {

// Only the running program carries a version block on Linux; any other file has none.
std::optional<std::string> VersionBlockOf(const std::wstring& path) {
  char resolved[PATH_MAX];
  char own[PATH_MAX];
  if (!realpath(WideToNarrow(path).c_str(), resolved)) return std::nullopt;
  if (!realpath(WideToNarrow(GetModulePath()).c_str(), own)) return std::nullopt;
  if (std::string(resolved) != own) return std::nullopt;
  const auto block = FindResource(ResourceType{kResourceVersion, nullptr}, 1);
  if (!block) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(block->data), block->size);
}

}  // namespace

std::optional<FileVersion> ReadFileVersion(const std::wstring& path) {
  const auto block = VersionBlockOf(path);
  if (!block) return std::nullopt;
  const auto text = FindVersionBlockValue(*block, "FileVersion");
  if (!text) return std::nullopt;
  return ParseFileVersion(*text);
}

std::wstring ReadFileDescription(const std::wstring& path) {
  const auto block = VersionBlockOf(path);
  if (!block) return {};
  return Utf8ToWide(FindVersionBlockValue(*block, "FileDescription").value_or(""));
}

}  // namespace platform
