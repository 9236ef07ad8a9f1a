#include <windows.h>

#include <vector>

#include "platform/version_info.h"

namespace platform {
namespace {

std::vector<unsigned char> VersionBlockOf(const std::wstring& path) {
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), nullptr);
  if (size == 0) return {};
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return {};
  return block;
}

}  // namespace

std::optional<FileVersion> ReadFileVersion(const std::wstring& path) {
  std::vector<unsigned char> block = VersionBlockOf(path);
  if (block.empty()) return std::nullopt;
  void* translation = nullptr;
  UINT translation_size = 0;
  if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation,
                      &translation_size)) {
    return std::nullopt;
  }
  void* fixed = nullptr;
  UINT fixed_size = 0;
  if (!VerQueryValueW(block.data(), L"\\", &fixed, &fixed_size) ||
      fixed_size < sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  return FileVersion{HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                     HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
}

std::wstring ReadFileDescription(const std::wstring& path) {
  std::vector<unsigned char> block = VersionBlockOf(path);
  if (block.empty()) return {};
  void* text = nullptr;
  UINT length = 0;
  // The US English block in UTF-16 (code page 1200).
  if (!VerQueryValueW(block.data(), L"\\StringFileInfo\\040904b0\\FileDescription", &text,
                      &length) ||
      length == 0) {
    return {};
  }
  std::wstring description(static_cast<const wchar_t*>(text), length);
  while (!description.empty() && description.back() == L'\0') description.pop_back();
  return description;
}

}  // namespace platform
