// The Cairo and Pango implementation of IRenderer. Only backend files include this header.
#pragma once

#include <memory>

#include "skinui/render.h"

struct _cairo;  // NOLINT(bugprone-reserved-identifier): cairo_t, named as cairo names it

namespace SkinUI {

/// A renderer drawing on `context` (a cairo_t), which must outlive it. Painting state (clips)
/// is pushed and popped on the context itself.
std::unique_ptr<IRenderer> CreateCairoRenderer(struct _cairo* context);

}  // namespace SkinUI
