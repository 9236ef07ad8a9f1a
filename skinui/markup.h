// The text markup of control texts: {c #RRGGBB}…{/c} colours the enclosed text, {u}…{/u}
// underlines it, {a target}…{/a} makes it a link. Spans nest. Anything that is not a complete
// tag of these kinds stays in the text as it was written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "skinui/geometry.h"

namespace SkinUI {

/// A stretch of text drawn one way.
struct TextRun {
  std::wstring text;
  std::optional<Color> color;  // the control's own colour when empty
  bool underline = false;
  std::wstring link;  // target of the enclosing {a}, empty outside links
};

/// Text split into runs; plain text is one run.
struct StyledText {
  std::vector<TextRun> runs;
  std::wstring Plain() const;
};

/// Splits `text` at its markup tags.
StyledText ParseMarkup(const std::wstring& text);

/// The whole of `text` as one run, markup left as it is.
StyledText PlainText(const std::wstring& text);

}  // namespace SkinUI
