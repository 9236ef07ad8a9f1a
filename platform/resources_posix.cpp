#include <cwchar>

#include "platform/resources.h"

namespace platform {
namespace {

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
  return std::nullopt;
}

}  // namespace platform
