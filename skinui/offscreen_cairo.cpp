#include <cairo.h>

#include "skinui/control.h"
#include "skinui/offscreen.h"
#include "skinui/paint_manager.h"
#include "skinui/render_cairo.h"

namespace SkinUI {

struct COffscreenCanvas::Impl {
  cairo_surface_t* surface = nullptr;
  cairo_t* context = nullptr;
  std::unique_ptr<IRenderer> renderer;
};

COffscreenCanvas::COffscreenCanvas(const Size& size)
    : size_(size), impl_(std::make_unique<Impl>()) {
  impl_->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size.cx > 0 ? size.cx : 1,
                                              size.cy > 0 ? size.cy : 1);
  impl_->context = cairo_create(impl_->surface);
  impl_->renderer = CreateCairoRenderer(impl_->context);
}

COffscreenCanvas::~COffscreenCanvas() {
  impl_->renderer.reset();
  cairo_destroy(impl_->context);
  cairo_surface_destroy(impl_->surface);
}

IRenderer& COffscreenCanvas::Renderer() { return *impl_->renderer; }

void COffscreenCanvas::PaintWindow(CPaintManager& manager) {
  manager.SetClientSize(size_);
  manager.EnsureLayout();
  cairo_save(impl_->context);
  cairo_set_operator(impl_->context, CAIRO_OPERATOR_CLEAR);
  cairo_paint(impl_->context);
  cairo_restore(impl_->context);
  manager.Paint(*impl_->renderer, {0, 0, size_.cx, size_.cy});
  cairo_surface_flush(impl_->surface);
}

Color COffscreenCanvas::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= size_.cx || y >= size_.cy) return 0;
  cairo_surface_flush(impl_->surface);
  const unsigned char* data = cairo_image_surface_get_data(impl_->surface);
  const int stride = cairo_image_surface_get_stride(impl_->surface);
  const auto premultiplied = *reinterpret_cast<const std::uint32_t*>(
      data + static_cast<std::ptrdiff_t>(y) * stride + static_cast<std::ptrdiff_t>(x) * 4);
  const std::uint32_t alpha = premultiplied >> 24;
  if (alpha == 0) return 0;
  auto channel = [&](int shift) {
    const std::uint32_t value = (premultiplied >> shift) & 0xFF;
    return (value * 255 + alpha / 2) / alpha;
  };
  return (alpha << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

bool COffscreenCanvas::WritePng(const std::string& path, std::string& error) const {
  cairo_surface_flush(impl_->surface);
  const cairo_status_t status = cairo_surface_write_to_png(impl_->surface, path.c_str());
  if (status != CAIRO_STATUS_SUCCESS) {
    error = "cannot write " + path + ": " + cairo_status_to_string(status);
    return false;
  }
  return true;
}

}  // namespace SkinUI
