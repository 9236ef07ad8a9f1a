// Used until the toolkit has a native window on this system.
#include <cstdio>

#include "tools/skinui_preview/preview_window.h"

int ShowPreviewWindow(SkinUI::CPaintManager&, const SkinUI::Size&, std::string&) {
  std::fprintf(stderr, "skinui-preview: --window is not available in this build\n");
  return 1;
}
