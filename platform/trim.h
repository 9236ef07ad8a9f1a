// Cutting blanks off text: the one trim that the ini reader, the cookie jar, the skin values and
// the pack checker share.
#pragma once

#include <string>

namespace platform {

/// `text` without the blanks (space, tab, CR, LF) at either end.
template <typename Char>
std::basic_string<Char> Trim(const std::basic_string<Char>& text) {
  const auto is_blank = [](Char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && is_blank(text[begin])) ++begin;
  while (end > begin && is_blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

}  // namespace platform
