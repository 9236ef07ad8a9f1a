// An offscreen picture to paint a window into: for the preview tool and the pixel tests.
#pragma once

#include <memory>
#include <string>

#include "skinui/geometry.h"
#include "skinui/render.h"

namespace SkinUI {

class CPaintManager;

class COffscreenCanvas {
 public:
  /// A transparent picture of `size` pixels.
  explicit COffscreenCanvas(const Size& size);
  ~COffscreenCanvas();
  COffscreenCanvas(const COffscreenCanvas&) = delete;
  COffscreenCanvas& operator=(const COffscreenCanvas&) = delete;

  const Size& GetSize() const { return size_; }
  IRenderer& Renderer();
  /// Paints the whole window of `manager` (laid out at the canvas size) into the picture.
  void PaintWindow(CPaintManager& manager);
  /// The pixel at x, y as 0xAARRGGBB; 0 outside the picture.
  Color Pixel(int x, int y) const;
  /// Writes the picture as PNG; false with a message on failure.
  bool WritePng(const std::string& path, std::string& error) const;

 private:
  struct Impl;
  Size size_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace SkinUI
