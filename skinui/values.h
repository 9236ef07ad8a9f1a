// Reading attribute values of skin files: numbers, rectangles, colours, switches and images.
// Every reader returns false with a message that says what was expected; it never throws.
#pragma once

#include <optional>
#include <string>

#include "skinui/geometry.h"

namespace SkinUI {

bool ParseInt(const std::wstring& text, int& value, std::string& error);
/// "l,t,r,b"; blanks around the numbers are allowed.
bool ParseRect(const std::wstring& text, Rect& value, std::string& error);
/// "cx,cy".
bool ParseSize(const std::wstring& text, Size& value, std::string& error);
/// "#AARRGGBB" or "#RRGGBB" (then opaque); the "#" may be left out.
bool ParseColor(const std::wstring& text, Color& value, std::string& error);
/// "true" or "false".
bool ParseBool(const std::wstring& text, bool& value, std::string& error);

/// An image reference: a file name in the skin (or an absolute path on disk), with the part of
/// the control it is drawn on (`dest`, relative to the control) and the part of the picture
/// taken (`source`). Without them the whole picture fills the control.
struct ImageSpec {
  std::wstring file;
  std::optional<Rect> dest;
  std::optional<Rect> source;
  bool IsEmpty() const { return file.empty(); }
};

/// Either a bare file name ("img/logo.png") or "file='img/x.png' dest='0,8,14,22' source='…'".
bool ParseImageSpec(const std::wstring& text, ImageSpec& value, std::string& error);

/// A file name as the archive keys it: "\" becomes "/", a leading "./" goes.
std::wstring NormalizeSkinPath(const std::wstring& name);

/// Narrow UTF-8 form of a wide value, for messages.
std::string Quote(const std::wstring& text);

}  // namespace SkinUI
