// The stand-in of kelvane_down until its window exists: everything the installer does below the
// window, linked as the installer links it, so that its size and start-up can be measured.
//
//   kelvane_down                      prepares the work folder and logs the chosen language
//   kelvane_down get URL [-o FILE]    downloads URL with the engine (as kvdl get)
#include <cstdio>
#include <cstring>
#include <string>

#include "common/language_manager.h"
#include "common/system_utils.h"
#include "common/work_folder.h"
#include "log/log.h"
#include "platform/dll_search.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "tools/kvdl/commands.h"

int main(int argc, char** argv) {
  // First of all: no DLL from beside the program (a Downloads folder) into an elevated process.
  const bool dll_search_limited = platform::RestrictDllSearchToSystemFolder();
  if (argc >= 2 && std::strcmp(argv[1], "get") == 0) return kvdl::RunGet(argc - 2, argv + 2);

  LanguageManager language;
  std::wstring work_folder;
  InitWorkFolder(work_folder, language);
  KLOGA(kLogInfo, "DLL search limited to the system folder:%d", dll_search_limited ? 1 : 0);
  const std::string line = "kelvane_down " +
                           platform::WideToUtf8(GetFileVersionString(platform::GetModulePath())) +
                           ": work folder " + platform::WideToUtf8(work_folder) + ", language " +
                           platform::WideToUtf8(language.GetLanguageName()) + "\n";
  std::fputs(line.c_str(), stdout);
  return 0;
}
