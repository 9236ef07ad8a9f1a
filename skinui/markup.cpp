#include "skinui/markup.h"

#include "skinui/values.h"

namespace SkinUI {

std::wstring StyledText::Plain() const {
  std::wstring plain;
  for (const TextRun& run : runs) plain += run.text;
  return plain;
}

StyledText PlainText(const std::wstring& text) {
  StyledText styled;
  if (!text.empty()) styled.runs.push_back(TextRun{text, std::nullopt, false, L""});
  return styled;
}

StyledText ParseMarkup(const std::wstring& text) {
  StyledText styled;
  std::vector<Color> colors;
  std::vector<std::wstring> links;
  int underline = 0;
  std::wstring pending;
  auto flush = [&] {
    if (pending.empty()) return;
    TextRun run;
    run.text = pending;
    if (!colors.empty()) run.color = colors.back();
    run.underline = underline > 0;
    if (!links.empty()) run.link = links.back();
    styled.runs.push_back(run);
    pending.clear();
  };
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == L'{') {
      const std::size_t close = text.find(L'}', i + 1);
      if (close != std::wstring::npos) {
        const std::wstring tag = text.substr(i + 1, close - i - 1);
        bool known = true;
        std::string ignored;
        Color color = 0;
        if (tag.size() > 2 && tag.compare(0, 2, L"c ") == 0 &&
            ParseColor(tag.substr(2), color, ignored)) {
          flush();
          colors.push_back(Opaque(color));
        } else if (tag == L"/c" && !colors.empty()) {
          flush();
          colors.pop_back();
        } else if (tag == L"u") {
          flush();
          ++underline;
        } else if (tag == L"/u" && underline > 0) {
          flush();
          --underline;
        } else if (tag.size() > 2 && tag.compare(0, 2, L"a ") == 0) {
          flush();
          links.push_back(tag.substr(2));
        } else if (tag == L"/a" && !links.empty()) {
          flush();
          links.pop_back();
        } else {
          known = false;
        }
        if (known) {
          i = close + 1;
          continue;
        }
      }
    }
    pending += text[i];
    ++i;
  }
  flush();
  return styled;
}

}  // namespace SkinUI
