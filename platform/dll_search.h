// Where the program's DLLs may come from.
#pragma once

namespace platform {

/// Windows: limits the search for DLLs loaded from now on to the system folder, so that a DLL
/// planted beside the program (in a Downloads folder, say) is never loaded into an elevated
/// installer. Call it first thing in main, before anything else loads a DLL. True when the
/// limit is in force (Windows 7 needs its update KB2533623 for it; without it the current
/// folder is at least taken out of the search). Linux: nothing to do, true.
bool RestrictDllSearchToSystemFolder();

}  // namespace platform
