#include <stdio.h>
#include <wchar.h>

#include <vector>

#include "platform/format.h"

namespace platform {

// The C runtime's own formatter (not mingw's ISO one): %ls is wide text and %hs narrow, as the
// log's callers write them.
std::optional<std::wstring> FormatWide(const wchar_t* format, va_list arguments) {
  va_list measure;
  va_copy(measure, arguments);
  const int length = _vscwprintf(format, measure);
  va_end(measure);
  if (length < 0) return std::nullopt;
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  const int written = _vsnwprintf(buffer.data(), buffer.size(), format, arguments);
  if (written < 0) return std::nullopt;
  return std::wstring(buffer.data(), static_cast<size_t>(written));
}

}  // namespace platform
