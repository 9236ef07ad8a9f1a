#include "skinui/render_cairo.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/text.h"

namespace SkinUI {
namespace {

class CCairoImage : public IImage {
 public:
  explicit CCairoImage(cairo_surface_t* surface) : surface_(surface) {}
  ~CCairoImage() override { cairo_surface_destroy(surface_); }
  int Width() const override { return cairo_image_surface_get_width(surface_); }
  int Height() const override { return cairo_image_surface_get_height(surface_); }
  cairo_surface_t* Surface() const { return surface_; }

 private:
  cairo_surface_t* surface_;
};

struct PngReader {
  const std::string* bytes;
  std::size_t offset;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  auto* reader = static_cast<PngReader*>(closure);
  if (reader->bytes->size() - reader->offset < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader->bytes->data() + reader->offset, length);
  reader->offset += length;
  return CAIRO_STATUS_SUCCESS;
}

void SetColor(cairo_t* cr, Color color) {
  cairo_set_source_rgba(cr, ColorRed(color) / 255.0, ColorGreen(color) / 255.0,
                        ColorBlue(color) / 255.0, ColorAlpha(color) / 255.0);
}

// A rectangle with corners rounded by ellipses of the given diameters, as skins give them.
void RoundedPath(cairo_t* cr, double x, double y, double w, double h, const Size& round) {
  const double rx = std::min(round.cx / 2.0, w / 2.0);
  const double ry = std::min(round.cy / 2.0, h / 2.0);
  if (rx <= 0 || ry <= 0) {
    cairo_rectangle(cr, x, y, w, h);
    return;
  }
  cairo_new_sub_path(cr);
  const double corners[4][3] = {{x + w - rx, y + ry, -M_PI / 2},
                                {x + w - rx, y + h - ry, 0},
                                {x + rx, y + h - ry, M_PI / 2},
                                {x + rx, y + ry, M_PI}};
  for (const auto& corner : corners) {
    cairo_save(cr);
    cairo_translate(cr, corner[0], corner[1]);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, corner[2], corner[2] + M_PI / 2);
    cairo_restore(cr);
  }
  cairo_close_path(cr);
}

// Pango knows weights, not "Semibold" family names: "Segoe UI Semibold" becomes the family
// list "Segoe UI Semibold,Segoe UI" at semibold weight, so a fallback font keeps the weight.
PangoFontDescription* DescribeFont(const FontSpec& font) {
  PangoFontDescription* description = pango_font_description_new();
  std::string family = platform::WideToUtf8(font.family);
  const std::string suffix = " Semibold";
  PangoWeight weight = font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL;
  if (family.size() > suffix.size() &&
      family.compare(family.size() - suffix.size(), suffix.size(), suffix) == 0) {
    family += "," + family.substr(0, family.size() - suffix.size());
    if (!font.bold) weight = PANGO_WEIGHT_SEMIBOLD;
  }
  pango_font_description_set_family(description, family.c_str());
  pango_font_description_set_weight(description, weight);
  pango_font_description_set_style(description,
                                   font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_absolute_size(description, font.size * PANGO_SCALE);
  return description;
}

guint16 Channel16(int value) { return static_cast<guint16>(value * 257); }

class CCairoRenderer : public IRenderer {
 public:
  explicit CCairoRenderer(cairo_t* cr) : cr_(cr) {}

  std::shared_ptr<IImage> DecodeImage(const std::string& bytes) override {
    PngReader reader{&bytes, 0};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(ReadPng, &reader);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(surface);
      return nullptr;
    }
    return std::make_shared<CCairoImage>(surface);
  }

  void PushClip(const Rect& rect, const Size& round) override {
    cairo_save(cr_);
    RoundedPath(cr_, rect.left, rect.top, rect.Width(), rect.Height(), round);
    cairo_clip(cr_);
  }

  void PopClip() override { cairo_restore(cr_); }

  void FillRect(const Rect& rect, Color color) override {
    if (rect.IsEmpty()) return;
    SetColor(cr_, color);
    cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_fill(cr_);
  }

  void DrawBorder(const Rect& rect, int width, Color color, const Size& round) override {
    if (rect.IsEmpty() || width <= 0) return;
    cairo_save(cr_);
    SetColor(cr_, Opaque(color));
    cairo_set_line_width(cr_, width);
    const double half = width / 2.0;
    RoundedPath(cr_, rect.left + half, rect.top + half, rect.Width() - width, rect.Height() - width,
                round);
    cairo_stroke(cr_);
    cairo_restore(cr_);
  }

  void DrawImage(const IImage& image, const Rect& dest, const Rect& source) override {
    if (dest.IsEmpty() || source.IsEmpty()) return;
    const auto& picture = static_cast<const CCairoImage&>(image);
    cairo_save(cr_);
    cairo_rectangle(cr_, dest.left, dest.top, dest.Width(), dest.Height());
    cairo_clip(cr_);
    cairo_translate(cr_, dest.left, dest.top);
    cairo_scale(cr_, static_cast<double>(dest.Width()) / source.Width(),
                static_cast<double>(dest.Height()) / source.Height());
    cairo_set_source_surface(cr_, picture.Surface(), -source.left, -source.top);
    cairo_pattern_t* pattern = cairo_get_source(cr_);
    // Pad, so that stretching a cut-out does not blend in transparent pixels at its edges.
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
    cairo_rectangle(cr_, source.left, source.top, source.Width(), source.Height());
    cairo_fill(cr_);
    cairo_restore(cr_);
  }

  void DrawText(const Rect& rect, const StyledText& text, const FontSpec& font, Color color,
                const TextAlign& align) override {
    if (rect.IsEmpty() || text.runs.empty()) return;
    PangoLayout* layout = MakeLayout(text, font);
    int width = 0;
    int height = 0;
    pango_layout_get_pixel_size(layout, &width, &height);
    if (width > rect.Width()) {
      // Translations run longer than the English a skin was drawn for: a line that does not
      // fit is drawn smaller (down to three quarters of its size), and what still does not
      // fit ends in an ellipsis rather than being cut off at the edge.
      FontSpec smaller = font;
      smaller.size = std::max(font.size * 3 / 4, font.size * rect.Width() / width);
      if (smaller.size < font.size) {
        PangoFontDescription* description = DescribeFont(smaller);
        pango_layout_set_font_description(layout, description);
        pango_font_description_free(description);
        pango_layout_get_pixel_size(layout, &width, &height);
      }
      if (width > rect.Width()) {
        pango_layout_set_width(layout, rect.Width() * PANGO_SCALE);
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        pango_layout_get_pixel_size(layout, &width, &height);
      }
    }
    // The line is placed by its own extent, so a right-to-left paragraph is aligned the same
    // way as a left-to-right one (Pango would swap left and right for it).
    double x = rect.left;
    if (align.horizontal == HorizontalAlign::kCenter) x += (rect.Width() - width) / 2.0;
    if (align.horizontal == HorizontalAlign::kRight) x = rect.right - width;
    double y = rect.top;
    if (align.vertical == VerticalAlign::kCenter) y += (rect.Height() - height) / 2.0;
    if (align.vertical == VerticalAlign::kBottom) y = rect.bottom - height;
    cairo_save(cr_);
    cairo_rectangle(cr_, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(cr_);
    SetColor(cr_, Opaque(color));
    cairo_move_to(cr_, std::round(x), std::round(y));
    pango_cairo_show_layout(cr_, layout);
    cairo_restore(cr_);
    g_object_unref(layout);
  }

  int MeasureText(const std::wstring& text, std::size_t length, const FontSpec& font) override {
    if (text.empty() || length == 0) return 0;
    const std::string prefix = platform::WideToUtf8(text.substr(0, length));
    PangoLayout* layout = MakeLayout(PlainText(text), font);
    PangoRectangle position;
    pango_layout_index_to_pos(layout, static_cast<int>(prefix.size()), &position);
    g_object_unref(layout);
    return PANGO_PIXELS(position.x);
  }

 private:
  PangoLayout* MakeLayout(const StyledText& text, const FontSpec& font) {
    PangoLayout* layout = pango_cairo_create_layout(cr_);
    PangoFontDescription* description = DescribeFont(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    std::string utf8;
    PangoAttrList* attributes = pango_attr_list_new();
    if (font.underline) {
      pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    for (const TextRun& run : text.runs) {
      const std::string piece = platform::WideToUtf8(run.text);
      const guint begin = static_cast<guint>(utf8.size());
      const guint end = static_cast<guint>(utf8.size() + piece.size());
      utf8 += piece;
      if (run.color) {
        PangoAttribute* attribute = pango_attr_foreground_new(Channel16(ColorRed(*run.color)),
                                                              Channel16(ColorGreen(*run.color)),
                                                              Channel16(ColorBlue(*run.color)));
        attribute->start_index = begin;
        attribute->end_index = end;
        pango_attr_list_insert(attributes, attribute);
      }
      if (run.underline) {
        PangoAttribute* attribute = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
        attribute->start_index = begin;
        attribute->end_index = end;
        pango_attr_list_insert(attributes, attribute);
      }
    }
    pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    return layout;
  }

  cairo_t* cr_;
};

}  // namespace

std::unique_ptr<IRenderer> CreateCairoRenderer(struct _cairo* context) {
  return std::make_unique<CCairoRenderer>(context);
}

}  // namespace SkinUI
