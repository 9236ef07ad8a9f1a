#include "platform/dll_search.h"

namespace platform {

// Shared libraries come from the loader's own paths; nothing is searched beside the program.
bool RestrictDllSearchToSystemFolder() { return true; }

}  // namespace platform
