// Points, sizes, rectangles and colours of the skin toolkit, in window pixels.
#pragma once

#include <algorithm>
#include <cstdint>

namespace SkinUI {

struct Point {
  int x = 0;
  int y = 0;
};

struct Size {
  int cx = 0;
  int cy = 0;
  bool operator==(const Size& other) const { return cx == other.cx && cy == other.cy; }
  bool operator!=(const Size& other) const { return !(*this == other); }
};

/// A rectangle as Windows keeps it: right and bottom lie just outside.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsEmpty() const { return right <= left || bottom <= top; }
  bool Contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  /// The rectangle moved inwards by the four values of `inset` (left, top, right, bottom).
  Rect Deflated(const Rect& inset) const {
    return {left + inset.left, top + inset.top, right - inset.right, bottom - inset.bottom};
  }
  Rect Offset(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
  Rect Intersect(const Rect& other) const {
    return {std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
            std::min(bottom, other.bottom)};
  }
  bool Intersects(const Rect& other) const { return !Intersect(other).IsEmpty(); }
  bool operator==(const Rect& other) const {
    return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
  }
  bool operator!=(const Rect& other) const { return !(*this == other); }
};

/// A colour as 0xAARRGGBB, the way skins write it ("#FF337BDD").
using Color = std::uint32_t;

constexpr int ColorAlpha(Color c) { return static_cast<int>((c >> 24) & 0xFF); }
constexpr int ColorRed(Color c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int ColorGreen(Color c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int ColorBlue(Color c) { return static_cast<int>(c & 0xFF); }
/// The same colour fully opaque.
constexpr Color Opaque(Color c) { return c | 0xFF000000u; }

}  // namespace SkinUI
