// The preview's --window mode: the prepared skin in a real window until it is closed.
#pragma once

#include <string>

#include "skinui/geometry.h"

namespace SkinUI {
class CPaintManager;
}

/// Shows the window and returns the exit code (0 once closed, 1 without a display).
int ShowPreviewWindow(SkinUI::CPaintManager& manager, const SkinUI::Size& size, std::string& error);
