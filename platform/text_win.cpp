#include <windows.h>

#include "platform/text.h"

// Narrow text is in the ANSI code page, log records in the OEM code page, as the system's own
// programs write them.
namespace platform {
namespace {

std::string FromWide(UINT code_page, const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                      nullptr, nullptr);
  return out;
}

std::wstring ToWide(UINT code_page, const std::string& text) {
  if (text.empty()) return {};
  const int size =
      MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

}  // namespace

std::string WideToNarrow(const std::wstring& text) { return FromWide(CP_ACP, text); }
std::wstring NarrowToWide(const std::string& text) { return ToWide(CP_ACP, text); }
std::string WideToLogEncoding(const std::wstring& text) { return FromWide(CP_OEMCP, text); }

}  // namespace platform
