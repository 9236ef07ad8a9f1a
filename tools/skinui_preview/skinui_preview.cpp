// skinui-preview renders one skin file offscreen to a PNG of the window's size, for skin
// designers and for review:
//   skinui-preview --skin DIR|ZIP --file NAME [--page N] [--show NAME]… [--hide NAME]…
//                  [--progress N] [--texts PACKDIR --lang LANGID] [--window] -o OUT.png
// A malformed skin exits 1 with the builder's message; a bad command line exits 2.
#include <cstdio>
#include <filesystem>

#include "log/log.h"
#include "platform/text.h"
#include "skinui/archive.h"
#include "skinui/builder.h"
#include "skinui/control.h"
#include "skinui/offscreen.h"
#include "skinui/paint_manager.h"
#include "tools/skinui_preview/preview_scene.h"
#include "tools/skinui_preview/preview_window.h"

namespace {

constexpr const char* kUsage =
    "usage: skinui-preview --skin DIR|ZIP --file NAME [--page N] [--show NAME]... "
    "[--hide NAME]...\n"
    "                      [--progress N] [--texts PACKDIR --lang LANGID] [--window] -o OUT.png\n";

std::unique_ptr<SkinUI::ISkinSource> OpenSkin(const std::wstring& skin, std::string& error) {
  if (std::filesystem::is_directory(platform::WideToUtf8(skin))) {
    return SkinUI::OpenSkinFolder(skin, error);
  }
  return SkinUI::OpenSkinArchiveFile(skin, error);
}

}  // namespace

int main(int argc, char** argv) {
  PreviewOptions options;
  std::string error;
  if (!ParsePreviewArguments(argc, argv, options, error)) {
    std::fprintf(stderr, "skinui-preview: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  // The language manager logs; its records go to the temporary folder, not beside the tool.
  const std::wstring log_folder =
      platform::Utf8ToWide(std::filesystem::temp_directory_path().string());
  InitLog(L"skinui-preview.log", log_folder.c_str());

  std::shared_ptr<SkinUI::ISkinSource> source = OpenSkin(options.skin, error);
  if (!source) {
    std::fprintf(stderr, "skinui-preview: %s\n", error.c_str());
    return 1;
  }
  SkinUI::CPaintManager manager;
  manager.SetSource(source);
  if (!SkinUI::CSkinBuilder(*source, nullptr).Build(options.file, manager, error)) {
    std::fprintf(stderr, "skinui-preview: %s\n", error.c_str());
    return 1;
  }
  SkinUI::Size size;
  if (!PreparePreview(manager, options, size, error)) {
    std::fprintf(stderr, "skinui-preview: %s\n", error.c_str());
    return 2;
  }
  if (options.window) {
    const int status = ShowPreviewWindow(manager, size, error);
    if (status != 0) std::fprintf(stderr, "skinui-preview: %s\n", error.c_str());
    return status;
  }
  SkinUI::COffscreenCanvas canvas(size);
  canvas.PaintWindow(manager);
  if (!canvas.WritePng(options.output, error)) {
    std::fprintf(stderr, "skinui-preview: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
