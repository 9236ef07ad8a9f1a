#include "common/domain_code.h"

#include <algorithm>
#include <cstring>

#include "common/system_utils.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kLongestDomainCode = 254;

}  // namespace

std::wstring DomainCodeFromBytes(const unsigned char* data, std::size_t size, std::string& raw) {
  raw.clear();
  if (data) {
    const std::size_t used = std::min(size, kLongestDomainCode);
    const auto* text = reinterpret_cast<const char*>(data);
    raw.assign(text, std::find(text, text + used, '\0'));
  }
  std::wstring code = platform::NarrowToWide(raw);
  ReplaceAll(code, L"\r\n", L"");
  return code;
}

bool WriteDomainFile(const std::wstring& product_folder, const std::wstring& custom) {
  if (custom.empty()) return true;
  const std::string bytes = platform::WideToNarrow(custom);
  return platform::WriteWholeFile(product_folder + L"domain", bytes.data(), bytes.size());
}
