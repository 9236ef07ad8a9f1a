#include <windows.h>
// windows.h names FindResource as a macro for FindResourceW; ours is a function of its own.
#undef FindResource

#include <cwchar>

#include "platform/resources.h"

namespace platform {
namespace {

static_assert(kResourceVersion == 16 && kResourceRcData == 10 && kResourceGroupIcon == 14,
              "the numeric types of RT_VERSION, RT_RCDATA and RT_GROUP_ICON");

struct Registry {
  const EmbeddedResource* table = nullptr;
  std::size_t count = 0;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

bool SameType(const ResourceType& a, const ResourceType& b) {
  if (a.name || b.name) return a.name && b.name && std::wcscmp(a.name, b.name) == 0;
  return a.id == b.id;
}

}  // namespace

// The program's resources come from its .rc file; a table registered at run time (tests do
// this) is looked at first.
bool RegisterEmbeddedResources(const EmbeddedResource* table, std::size_t count) {
  TheRegistry() = Registry{table, count};
  return true;
}

std::optional<ResourceView> FindResource(ResourceType type, int id) {
  const Registry& registry = TheRegistry();
  for (std::size_t i = 0; i < registry.count; ++i) {
    const EmbeddedResource& row = registry.table[i];
    if (row.id == id && SameType(row.type, type)) {
      return ResourceView{row.begin, static_cast<std::size_t>(row.end - row.begin)};
    }
  }
  if (id <= 0 || id > 0xFFFF) return std::nullopt;
  const wchar_t* type_name = type.name ? type.name : MAKEINTRESOURCEW(type.id);
  HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type_name);
  if (!found) return std::nullopt;
  HGLOBAL loaded = LoadResource(nullptr, found);
  if (!loaded) return std::nullopt;
  const auto* data = static_cast<const unsigned char*>(LockResource(loaded));
  if (!data) return std::nullopt;
  return ResourceView{data, SizeofResource(nullptr, found)};
}

}  // namespace platform
