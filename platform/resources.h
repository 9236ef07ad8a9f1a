// Resources carried inside the program, keyed by (type, id) as on Windows.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace platform {

/// Numeric resource types of Windows that the program uses.
enum : int { kResourceVersion = 16, kResourceRcData = 10, kResourceGroupIcon = 14 };

/// A resource type: a number, or a name such as "ZIPRES" (then `id` is 0).
struct ResourceType {
  int id = 0;
  const wchar_t* name = nullptr;
};

/// A read-only view of a resource's bytes, valid for the life of the process.
struct ResourceView {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

/// Looks a resource up in the running program; nothing when it is not there.
std::optional<ResourceView> FindResource(ResourceType type, int id);

/// One row of the table the build links into a Linux program.
struct EmbeddedResource {
  ResourceType type;
  int id;
  const unsigned char* begin;
  const unsigned char* end;
};

/// Called by the build's generated resource table before main; a program has at most one.
bool RegisterEmbeddedResources(const EmbeddedResource* table, std::size_t count);

}  // namespace platform
