// Puts a built skin into the state a preview asks for: a page, controls shown or hidden, the
// progress display, and the language's texts set the way the installer sets them at start-up.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "skinui/geometry.h"

namespace SkinUI {
class CPaintManager;
}

struct PreviewOptions {
  std::wstring skin;  // folder or .zip
  std::wstring file;  // "window.xml"
  std::optional<int> page;
  std::vector<std::wstring> show;
  std::vector<std::wstring> hide;
  std::optional<int> progress;
  std::wstring texts_folder;  // unpacked language pack, empty for the skin's own texts
  std::wstring language_id;   // decimal LANGID
  std::string output;
  bool window = false;
};

/// Reads the command line; false with a message (the usage for an empty one).
bool ParsePreviewArguments(int argc, char** argv, PreviewOptions& options, std::string& error);

/// Applies `options` to the built window and gives the window's size afterwards: the skin's
/// size, taller by the height of each area that the options show and that the skin hides at
/// the window's bottom level (the custom-path area makes it 75 pixels taller, as in the
/// installer). False with a message when a control or page does not exist.
bool PreparePreview(SkinUI::CPaintManager& manager, const PreviewOptions& options,
                    SkinUI::Size& size, std::string& error);
