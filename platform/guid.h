// New globally unique identifiers.
#pragma once

#include <cstdint>

namespace platform {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
};

/// A new random GUID (CoCreateGuid on Windows; on Linux the kernel's random bytes with the
/// version-4 and variant bits set). False when the system gives none.
bool NewGuid(Guid& guid);

}  // namespace platform
