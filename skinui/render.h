// The one drawing interface of the toolkit. Controls paint through it; a backend (Cairo and
// Pango on Linux) implements it. Coordinates are window pixels.
#pragma once

#include <memory>
#include <string>

#include "skinui/geometry.h"
#include "skinui/markup.h"

namespace SkinUI {

/// A decoded picture.
class IImage {
 public:
  virtual ~IImage() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

/// A font of the skin's font table. `size` is the height in pixels.
struct FontSpec {
  std::wstring family = L"Segoe UI";
  int size = 12;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

enum class HorizontalAlign { kLeft, kCenter, kRight };
enum class VerticalAlign { kTop, kCenter, kBottom };

struct TextAlign {
  HorizontalAlign horizontal = HorizontalAlign::kLeft;
  VerticalAlign vertical = VerticalAlign::kCenter;
  /// Kept for skins that ask for it: every line that is too wide is drawn smaller and then
  /// cut with "…" anyway.
  bool end_ellipsis = false;
};

class IRenderer {
 public:
  virtual ~IRenderer() = default;

  /// Decodes PNG bytes; null when they are not a picture.
  virtual std::shared_ptr<IImage> DecodeImage(const std::string& bytes) = 0;

  /// Limits drawing to `rect` (with round corners of the given diameters) until PopClip.
  virtual void PushClip(const Rect& rect, const Size& round) = 0;
  virtual void PopClip() = 0;

  /// Fills with a colour, honouring its alpha.
  virtual void FillRect(const Rect& rect, Color color) = 0;
  /// A border of `width` pixels inside `rect`. Border colours are drawn opaque: skins give them
  /// with any alpha byte and mean the colour.
  virtual void DrawBorder(const Rect& rect, int width, Color color, const Size& round) = 0;
  /// Draws the `source` part of the picture stretched over `dest`.
  virtual void DrawImage(const IImage& image, const Rect& dest, const Rect& source) = 0;
  /// Draws one line of text in `rect`. Runs without their own colour use `color`; text colours
  /// are drawn opaque like border colours. The text is shaped as a whole, so right-to-left
  /// scripts, Thai and CJK come out right; `align` places the line, whatever its direction.
  /// A line too wide for `rect` is drawn smaller, to three quarters of its size at most, then
  /// ends in "…".
  virtual void DrawText(const Rect& rect, const StyledText& text, const FontSpec& font, Color color,
                        const TextAlign& align) = 0;
  /// The width in pixels of the first `length` characters of `text` (for the edit caret).
  virtual int MeasureText(const std::wstring& text, std::size_t length, const FontSpec& font) = 0;
};

}  // namespace SkinUI
