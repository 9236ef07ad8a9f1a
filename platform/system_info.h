// Facts about the machine the program runs on.
#pragma once

#include <string>

namespace platform {

/// True for a 64-bit x86 or Itanium processor, whatever the program itself was built for.
/// ARM64 gives false, so the 32-bit x86 download is chosen there.
bool IsNativeProcessor64Bit();

/// The operating system's product name ("Windows 10 Pro", "Debian GNU/Linux 12 (bookworm)");
/// empty when it cannot be read.
std::wstring GetOSProductName();

}  // namespace platform
