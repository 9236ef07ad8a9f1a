#!/usr/bin/python3
"""Draws every picture of the installer skin and the program icon.

    /usr/bin/python3 tools/skin_images/draw_skin_images.py [SKIN_IMG_DIR] [ICON_DIR]

Writes skin/img/*.png at the sizes the skin's layout expects, and the program icon
(resources/app_icon.png, 256 x 256, and resources/app_icon.ico with 16, 24, 32, 48 and 256).
Everything is drawn with Cairo: flat colours, anti-aliased shapes and text, the licence blue
#337BDD. Run it again after changing a colour or shape and commit the pictures it writes.
"""

import math
import os
import struct
import sys

import cairo

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))

BLUE = 0x337BDD
BLUE_DARK = 0x1A57A9
BLUE_HOVER = 0x4A8DE8
BLUE_PRESSED = 0x2866BE
BLUE_DISABLED = 0xB4C8E4
NAVY = 0x1D3557
INK = 0x2B2F36
GREY_TEXT = 0x6B7280
LINE = 0xD5DAE1
TRACK = 0xC3DBFF
FONT = "Noto Sans"


def rgb(value, alpha=1.0):
    return ((value >> 16) & 0xFF) / 255.0, ((value >> 8) & 0xFF) / 255.0, (value & 0xFF) / 255.0, alpha


def canvas(width, height):
    surface = cairo.ImageSurface(cairo.FORMAT_ARGB32, width, height)
    ctx = cairo.Context(surface)
    ctx.set_antialias(cairo.ANTIALIAS_BEST)
    return surface, ctx


def rounded_rect(ctx, x, y, w, h, r):
    r = min(r, w / 2.0, h / 2.0)
    ctx.new_sub_path()
    ctx.arc(x + w - r, y + r, r, -math.pi / 2, 0)
    ctx.arc(x + w - r, y + h - r, r, 0, math.pi / 2)
    ctx.arc(x + r, y + h - r, r, math.pi / 2, math.pi)
    ctx.arc(x + r, y + r, r, math.pi, 3 * math.pi / 2)
    ctx.close_path()


def vertical_gradient(y0, y1, top, bottom):
    gradient = cairo.LinearGradient(0, y0, 0, y1)
    gradient.add_color_stop_rgba(0, *top)
    gradient.add_color_stop_rgba(1, *bottom)
    return gradient


def lighten(value, amount):
    r, g, b, _ = rgb(value)
    return (r + (1 - r) * amount, g + (1 - g) * amount, b + (1 - b) * amount, 1.0)


def text(ctx, x, y, message, size, colour, weight=cairo.FONT_WEIGHT_NORMAL, spacing=0.0):
    """Draws `message` with its baseline at y, letter by letter when `spacing` is set."""
    ctx.select_font_face(FONT, cairo.FONT_SLANT_NORMAL, weight)
    ctx.set_font_size(size)
    ctx.set_source_rgba(*colour)
    if not spacing:
        ctx.move_to(x, y)
        ctx.show_text(message)
        return ctx.text_extents(message).x_advance
    start = x
    for letter in message:
        ctx.move_to(x, y)
        ctx.show_text(letter)
        x += ctx.text_extents(letter).x_advance + spacing
    return x - start - spacing


def text_width(ctx, message, size, weight=cairo.FONT_WEIGHT_NORMAL, spacing=0.0):
    ctx.select_font_face(FONT, cairo.FONT_SLANT_NORMAL, weight)
    ctx.set_font_size(size)
    if not spacing:
        return ctx.text_extents(message).x_advance
    return sum(ctx.text_extents(c).x_advance for c in message) + spacing * (len(message) - 1)


# --- marks -------------------------------------------------------------------------------------


def wave_mark(ctx, x, y, size):
    """The Wayvo mark: a blue rounded tile with three white waves."""
    rounded_rect(ctx, x, y, size, size, size * 0.24)
    ctx.set_source(vertical_gradient(y, y + size, lighten(BLUE, 0.18), rgb(BLUE_DARK)))
    ctx.fill()
    ctx.save()
    rounded_rect(ctx, x, y, size, size, size * 0.24)
    ctx.clip()
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    for index, (level, alpha) in enumerate(((0.36, 1.0), (0.54, 0.78), (0.72, 0.55))):
        ctx.set_line_width(size * 0.085)
        ctx.set_source_rgba(1, 1, 1, alpha)
        base = y + size * level
        amplitude = size * 0.07
        steps = 40
        for step in range(steps + 1):
            t = step / steps
            px = x + size * (0.2 + 0.6 * t)
            py = base + amplitude * math.sin(t * 2 * math.pi + index * 0.6)
            if step == 0:
                ctx.move_to(px, py)
            else:
                ctx.line_to(px, py)
        ctx.stroke()
    ctx.restore()


def kelvane_mark(ctx, x, y, size):
    """The maker's mark: a navy rounded diamond carrying a geometric K."""
    cx, cy = x + size / 2.0, y + size / 2.0
    ctx.save()
    ctx.translate(cx, cy)
    ctx.rotate(math.pi / 4)
    side = size / math.sqrt(2) * 0.98
    rounded_rect(ctx, -side / 2, -side / 2, side, side, side * 0.22)
    ctx.restore()
    ctx.set_source(vertical_gradient(y, y + size, lighten(NAVY, 0.15), rgb(NAVY)))
    ctx.fill()
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    ctx.set_line_width(size * 0.1)
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.move_to(cx - size * 0.13, cy - size * 0.22)
    ctx.line_to(cx - size * 0.13, cy + size * 0.22)
    ctx.stroke()
    ctx.set_source_rgba(*rgb(0x7FB3FF))
    ctx.move_to(cx + size * 0.16, cy - size * 0.22)
    ctx.line_to(cx - size * 0.08, cy)
    ctx.line_to(cx + size * 0.16, cy + size * 0.22)
    ctx.stroke()


# --- pictures ----------------------------------------------------------------------------------


def left_logo():
    surface, ctx = canvas(108, 32)
    kelvane_mark(ctx, 2, 4, 24)
    spacing = 1.2
    size = 13.5
    width = text_width(ctx, "KELVANE", size, cairo.FONT_WEIGHT_BOLD, spacing)
    text(ctx, 32 + (72 - width) / 2, 21, "KELVANE", size, rgb(NAVY), cairo.FONT_WEIGHT_BOLD,
         spacing)
    return surface


def product_logo():
    surface, ctx = canvas(311, 52)
    wave_mark(ctx, 2, 2, 48)
    x = 62
    x += text(ctx, x, 37, "Kelvane", 30, rgb(GREY_TEXT))
    text(ctx, x + 8, 37, "Wayvo", 30, rgb(BLUE), cairo.FONT_WEIGHT_BOLD)
    return surface


def big_button(state):
    """168 x 46, the Install and Start Now buttons; the toolkit writes the text on it."""
    surface, ctx = canvas(168, 46)
    fill = {"normal": BLUE, "hover": BLUE_HOVER, "pressing": BLUE_PRESSED,
            "disable": BLUE_DISABLED}[state]
    lift = 0 if state in ("pressing", "disable") else 2
    if lift:
        rounded_rect(ctx, 3, 5, 162, 40, 8)
        ctx.set_source_rgba(*rgb(BLUE_DARK, 0.28))
        ctx.fill()
    top = 2 if lift else 3
    rounded_rect(ctx, 2, top, 164, 40, 8)
    if state == "disable":
        ctx.set_source_rgba(*rgb(fill))
    else:
        ctx.set_source(vertical_gradient(top, top + 40, lighten(fill, 0.1), rgb(fill)))
    ctx.fill()
    if state != "pressing" and state != "disable":
        rounded_rect(ctx, 2.5, top + 0.5, 163, 39, 7.5)
        ctx.set_source_rgba(1, 1, 1, 0.18)
        ctx.set_line_width(1)
        ctx.stroke()
    return surface


def small_button(hover):
    """90 x 32, Browse and Hide; the toolkit writes the text on it."""
    surface, ctx = canvas(90, 32)
    rounded_rect(ctx, 0.5, 0.5, 89, 31, 4)
    ctx.set_source_rgba(*(rgb(0xEEF4FD) if hover else rgb(0xFFFFFF)))
    ctx.fill_preserve()
    ctx.set_source_rgba(*(rgb(BLUE) if hover else rgb(0xCDD3DB)))
    ctx.set_line_width(1)
    ctx.stroke()
    return surface


def title_button(kind, hover):
    """20 x 20 minimise and close glyphs; hover puts them on a tinted disc."""
    surface, ctx = canvas(20, 20)
    if hover:
        ctx.arc(10, 10, 10, 0, 2 * math.pi)
        ctx.set_source_rgba(*(rgb(0xE5484D) if kind == "close" else rgb(0xE3E8EF)))
        ctx.fill()
    colour = (1, 1, 1, 1) if hover and kind == "close" else rgb(0x1F2937 if hover else 0x8A919C)
    ctx.set_source_rgba(*colour)
    ctx.set_line_width(1.6)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    if kind == "close":
        ctx.move_to(6.5, 6.5)
        ctx.line_to(13.5, 13.5)
        ctx.move_to(13.5, 6.5)
        ctx.line_to(6.5, 13.5)
    else:
        ctx.move_to(5.5, 10.5)
        ctx.line_to(14.5, 10.5)
    ctx.stroke()
    return surface


def check_box(checked):
    surface, ctx = canvas(14, 14)
    rounded_rect(ctx, 0.5, 0.5, 13, 13, 3)
    if checked:
        ctx.set_source_rgba(*rgb(BLUE))
        ctx.fill()
        ctx.set_source_rgba(1, 1, 1, 1)
        ctx.set_line_width(1.8)
        ctx.set_line_cap(cairo.LINE_CAP_ROUND)
        ctx.set_line_join(cairo.LINE_JOIN_ROUND)
        ctx.move_to(3.5, 7.2)
        ctx.line_to(6, 9.8)
        ctx.line_to(10.6, 4.4)
        ctx.stroke()
    else:
        ctx.set_source_rgba(1, 1, 1, 1)
        ctx.fill_preserve()
        ctx.set_source_rgba(*rgb(0xA3ABB6))
        ctx.set_line_width(1)
        ctx.stroke()
    return surface


def chevron(direction):
    """14 x 14 disclosure arrow of the customise box: right, left (folded) or down (unfolded)."""
    surface, ctx = canvas(14, 14)
    ctx.set_source_rgba(*rgb(BLUE))
    ctx.set_line_width(1.8)
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_join(cairo.LINE_JOIN_ROUND)
    points = {"right": ((5, 3), (9.5, 7), (5, 11)), "left": ((9, 3), (4.5, 7), (9, 11)),
              "down": ((3, 5), (7, 9.5), (11, 5))}[direction]
    ctx.move_to(*points[0])
    for point in points[1:]:
        ctx.line_to(*point)
    ctx.stroke()
    return surface


def progress(fill):
    """254 x 99, stretched over the 6-pixel bar: the filled part (left to right) or, for the
    mirrored bar whose background is the fill, the empty track."""
    surface, ctx = canvas(254, 99)
    if fill:
        gradient = cairo.LinearGradient(0, 0, 254, 0)
        gradient.add_color_stop_rgba(0, *lighten(BLUE, 0.25))
        gradient.add_color_stop_rgba(1, *rgb(BLUE))
        ctx.set_source(gradient)
    else:
        ctx.set_source_rgba(*rgb(TRACK))
    ctx.paint()
    return surface


def dot(selected):
    """16 x 16 carousel dot, drawn at 8 x 8."""
    surface, ctx = canvas(16, 16)
    ctx.arc(8, 8, 7, 0, 2 * math.pi)
    if selected:
        ctx.set_source_rgba(1, 1, 1, 1)
        ctx.fill()
    else:
        ctx.set_source_rgba(1, 1, 1, 0.45)
        ctx.fill_preserve()
        ctx.set_source_rgba(1, 1, 1, 0.8)
        ctx.set_line_width(1.5)
        ctx.stroke()
    return surface


def wave_band(ctx, width, base, amplitude, length, phase, colour):
    ctx.move_to(0, 290)
    steps = 120
    for step in range(steps + 1):
        x = width * step / steps
        ctx.line_to(x, base + amplitude * math.sin(x / length * 2 * math.pi + phase))
    ctx.line_to(width, 290)
    ctx.close_path()
    ctx.set_source_rgba(*colour)
    ctx.fill()


def default_banner():
    """650 x 290, the carousel picture shown before the maker's pictures arrive."""
    width, height = 650, 290
    surface, ctx = canvas(width, height)
    gradient = cairo.LinearGradient(0, 0, width, height)
    gradient.add_color_stop_rgba(0, *rgb(0x1B4FA8))
    gradient.add_color_stop_rgba(0.55, *rgb(BLUE))
    gradient.add_color_stop_rgba(1, *rgb(0x52A8F2))
    ctx.set_source(gradient)
    ctx.paint()
    for cx, cy, r, a in ((560, 40, 120, 0.07), (610, 230, 70, 0.06), (80, 30, 46, 0.05),
                         (470, 150, 22, 0.08), (300, 40, 10, 0.12), (360, 250, 16, 0.07)):
        glow = cairo.RadialGradient(cx, cy, 0, cx, cy, r)
        glow.add_color_stop_rgba(0, 1, 1, 1, a * 2)
        glow.add_color_stop_rgba(1, 1, 1, 1, 0)
        ctx.set_source(glow)
        ctx.arc(cx, cy, r, 0, 2 * math.pi)
        ctx.fill()
    wave_band(ctx, width, 214, 12, 420, 0.4, (1, 1, 1, 0.10))
    wave_band(ctx, width, 232, 10, 330, 2.1, (1, 1, 1, 0.12))
    wave_band(ctx, width, 252, 8, 260, 4.0, (1, 1, 1, 0.16))
    # The product tile on the right, with a soft shadow.
    ctx.save()
    rounded_rect(ctx, 452, 72, 128, 128, 30)
    ctx.set_source_rgba(0, 0.1, 0.3, 0.25)
    ctx.fill()
    ctx.restore()
    ctx.save()
    rounded_rect(ctx, 446, 64, 128, 128, 30)
    ctx.set_source_rgba(1, 1, 1, 1)
    ctx.fill()
    ctx.restore()
    wave_mark(ctx, 462, 80, 96)
    # Words on the left.
    text(ctx, 56, 112, "Kelvane Wayvo", 40, (1, 1, 1, 1), cairo.FONT_WEIGHT_BOLD)
    text(ctx, 58, 146, "Fast, light and ready in minutes.", 18, (1, 1, 1, 0.86))
    ctx.set_line_cap(cairo.LINE_CAP_ROUND)
    ctx.set_line_width(4)
    ctx.set_source_rgba(1, 1, 1, 0.9)
    ctx.move_to(60, 170)
    ctx.line_to(110, 170)
    ctx.stroke()
    return surface


def app_icon(size):
    surface, ctx = canvas(size, size)
    margin = size * 0.06
    wave_mark(ctx, margin, margin, size - 2 * margin)
    return surface


def write_ico(path, sizes):
    """An icon file whose entries are PNG images (read by Windows Vista and later)."""
    blobs = []
    for size in sizes:
        scratch = path + ".%d.png" % size
        app_icon(size).write_to_png(scratch)
        with open(scratch, "rb") as handle:
            blobs.append((size, handle.read()))
        os.remove(scratch)
    header = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    entries = b""
    for size, blob in blobs:
        side = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as handle:
        handle.write(header + entries + b"".join(blob for _, blob in blobs))


def main():
    image_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "skin", "img")
    icon_dir = sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "resources")
    os.makedirs(image_dir, exist_ok=True)
    pictures = {
        "left_log.png": left_logo(),
        "logo.png": product_logo(),
        "browse-df.png": small_button(False),
        "browse-ho.png": small_button(True),
        "hide-df.png": small_button(False),
        "hide-ho.png": small_button(True),
        "minzoom-df.png": title_button("min", False),
        "minzoom-ho.png": title_button("min", True),
        "close-df.png": title_button("close", False),
        "close-ho.png": title_button("close", True),
        "checked.png": check_box(True),
        "unchecked.png": check_box(False),
        "fold.png": chevron("right"),
        "fold_rtl.png": chevron("left"),
        "unfold.png": chevron("down"),
        "progress.png": progress(True),
        "progress_rtl.png": progress(False),
        "banner_normal.png": dot(False),
        "banner_selected.png": dot(True),
        "default.png": default_banner(),
    }
    for state in ("normal", "hover", "pressing", "disable"):
        pictures["button_%s.png" % state] = big_button(state)
    for name, surface in sorted(pictures.items()):
        surface.write_to_png(os.path.join(image_dir, name))
    os.makedirs(icon_dir, exist_ok=True)
    app_icon(256).write_to_png(os.path.join(icon_dir, "app_icon.png"))
    write_ico(os.path.join(icon_dir, "app_icon.ico"), (16, 24, 32, 48, 256))


if __name__ == "__main__":
    main()
