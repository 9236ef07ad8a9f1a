#include "skinui/values.h"

#include <cwctype>
#include <vector>

#include "platform/text.h"
#include "platform/trim.h"

namespace SkinUI {
namespace {

bool ParseIntList(const std::wstring& text, std::size_t count, std::vector<int>& values,
                  const char* what, std::string& error) {
  values.clear();
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = text.find(L',', start);
    const std::wstring part =
        text.substr(start, comma == std::wstring::npos ? comma : comma - start);
    int value = 0;
    std::string ignored;
    if (!ParseInt(part, value, ignored)) break;
    values.push_back(value);
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  if (values.size() != count || text.empty()) {
    error = "expected " + std::string(what) + ", not " + Quote(text);
    return false;
  }
  return true;
}

}  // namespace

std::string Quote(const std::wstring& text) { return "\"" + platform::WideToUtf8(text) + "\""; }

bool ParseInt(const std::wstring& text, int& value, std::string& error) {
  const std::wstring trimmed = platform::Trim(text);
  std::size_t i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == L'-' || trimmed[i] == L'+')) {
    negative = trimmed[i] == L'-';
    ++i;
  }
  if (i == trimmed.size()) {
    error = "expected a whole number, not " + Quote(text);
    return false;
  }
  long long result = 0;
  for (; i < trimmed.size(); ++i) {
    if (trimmed[i] < L'0' || trimmed[i] > L'9' || result > 100000000) {
      error = "expected a whole number, not " + Quote(text);
      return false;
    }
    result = result * 10 + (trimmed[i] - L'0');
  }
  value = static_cast<int>(negative ? -result : result);
  return true;
}

bool ParseRect(const std::wstring& text, Rect& value, std::string& error) {
  std::vector<int> values;
  if (!ParseIntList(text, 4, values, "four numbers \"left,top,right,bottom\"", error)) return false;
  value = {values[0], values[1], values[2], values[3]};
  return true;
}

bool ParseSize(const std::wstring& text, Size& value, std::string& error) {
  std::vector<int> values;
  if (!ParseIntList(text, 2, values, "two numbers \"width,height\"", error)) return false;
  value = {values[0], values[1]};
  return true;
}

bool ParseColor(const std::wstring& text, Color& value, std::string& error) {
  std::wstring digits = platform::Trim(text);
  if (!digits.empty() && digits[0] == L'#') digits.erase(0, 1);
  bool ok = digits.size() == 8 || digits.size() == 6;
  Color result = 0;
  for (std::size_t i = 0; ok && i < digits.size(); ++i) {
    const wchar_t c = digits[i];
    int digit = 0;
    if (c >= L'0' && c <= L'9') {
      digit = c - L'0';
    } else if (c >= L'a' && c <= L'f') {
      digit = c - L'a' + 10;
    } else if (c >= L'A' && c <= L'F') {
      digit = c - L'A' + 10;
    } else {
      ok = false;
    }
    result = (result << 4) | static_cast<Color>(digit);
  }
  if (!ok) {
    error = "expected a colour \"#AARRGGBB\", not " + Quote(text);
    return false;
  }
  value = digits.size() == 6 ? Opaque(result) : result;
  return true;
}

bool ParseBool(const std::wstring& text, bool& value, std::string& error) {
  const std::wstring trimmed = platform::Trim(text);
  if (trimmed == L"true") {
    value = true;
  } else if (trimmed == L"false") {
    value = false;
  } else {
    error = "expected \"true\" or \"false\", not " + Quote(text);
    return false;
  }
  return true;
}

bool ParseImageSpec(const std::wstring& text, ImageSpec& value, std::string& error) {
  const std::wstring trimmed = platform::Trim(text);
  ImageSpec result;
  if (trimmed.find(L'=') == std::wstring::npos || trimmed.find(L'\'') == std::wstring::npos) {
    result.file = trimmed;
    value = result;
    return true;
  }
  // key='value' pairs separated by blanks.
  std::size_t i = 0;
  while (i < trimmed.size()) {
    while (i < trimmed.size() && std::iswspace(trimmed[i])) ++i;
    if (i == trimmed.size()) break;
    const std::size_t equals = trimmed.find(L'=', i);
    if (equals == std::wstring::npos || equals + 1 >= trimmed.size() ||
        trimmed[equals + 1] != L'\'') {
      error = "expected key='value' pairs in the image " + Quote(text);
      return false;
    }
    const std::wstring key = platform::Trim(trimmed.substr(i, equals - i));
    const std::size_t close = trimmed.find(L'\'', equals + 2);
    if (close == std::wstring::npos) {
      error = "unclosed quote in the image " + Quote(text);
      return false;
    }
    const std::wstring part = trimmed.substr(equals + 2, close - equals - 2);
    if (key == L"file") {
      result.file = part;
    } else if (key == L"dest" || key == L"source") {
      Rect rect;
      if (!ParseRect(part, rect, error)) {
        error = "image " + platform::WideToUtf8(key) + ": " + error;
        return false;
      }
      (key == L"dest" ? result.dest : result.source) = rect;
    } else {
      error = "unknown image key " + Quote(key) + " (file, dest and source are known)";
      return false;
    }
    i = close + 1;
  }
  if (result.file.empty()) {
    error = "the image " + Quote(text) + " names no file";
    return false;
  }
  value = result;
  return true;
}

std::wstring NormalizeSkinPath(const std::wstring& name) {
  std::wstring path = name;
  for (wchar_t& c : path) {
    if (c == L'\\') c = L'/';
  }
  while (path.compare(0, 2, L"./") == 0) path.erase(0, 2);
  return path;
}

}  // namespace SkinUI
