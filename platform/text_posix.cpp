#include "platform/text.h"

// On Linux narrow text is UTF-8 whatever the locale says, so every narrow form is UTF-8.
namespace platform {

std::string WideToNarrow(const std::wstring& text) { return WideToUtf8(text); }
std::wstring NarrowToWide(const std::string& text) { return Utf8ToWide(text); }
std::string WideToLogEncoding(const std::wstring& text) { return WideToUtf8(text); }

}  // namespace platform
