#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include "platform/format.h"

namespace platform {

std::optional<std::wstring> FormatWide(const wchar_t* format, va_list arguments) {
  wchar_t* buffer = nullptr;
  size_t length = 0;
  FILE* stream = open_wmemstream(&buffer, &length);
  if (!stream) return std::nullopt;
  const int written = vfwprintf(stream, format, arguments);
  fclose(stream);
  std::optional<std::wstring> result;
  if (written >= 0) result = std::wstring(buffer, length);
  free(buffer);
  return result;
}

}  // namespace platform
