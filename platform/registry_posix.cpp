#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <system_error>

#include "platform/registry.h"
#include "platform/text.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::mutex store_mutex;
fs::path store_override;

fs::path StoreFolder() {
  {
    std::lock_guard<std::mutex> lock(store_mutex);
    if (!store_override.empty()) return store_override;
  }
  if (::geteuid() == 0) return "/var/lib/kelvane";
  const char* state_home = std::getenv("XDG_STATE_HOME");
  if (state_home != nullptr && state_home[0] == '/') return fs::path(state_home) / "kelvane";
  const char* home = std::getenv("HOME");
  return fs::path(home != nullptr ? home : "/tmp") / ".local/state/kelvane";
}

// The key path as folders; empty when a component could leave the store.
fs::path KeyFolder(const std::wstring& key) {
  fs::path folder = StoreFolder();
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t end = key.find(L'\\', start);
    if (end == std::wstring::npos) end = key.size();
    const std::wstring part = key.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == L"." || part == L".." || part.find(L'/') != std::wstring::npos) {
      return {};
    }
    folder /= WideToUtf8(part);
  }
  return folder;
}

bool ValueNameUsable(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." && name.find(L'/') == std::wstring::npos &&
         name.find(L'\\') == std::wstring::npos;
}

}  // namespace

struct RegistryKey::state {
  fs::path folder;
};

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() = default;

bool RegistryKey::Create(const std::wstring& path, RegistryDisposition& disposition) {
  Close();
  const fs::path folder = KeyFolder(path);
  if (folder.empty()) return false;
  std::error_code ec;
  // Missing keys on the way are made too, as the registry does.
  const bool existed = fs::is_directory(folder, ec);
  fs::create_directories(folder, ec);
  if (ec || !fs::is_directory(folder, ec)) return false;
  const bool created = !existed;
  disposition =
      created ? RegistryDisposition::kCreatedNewKey : RegistryDisposition::kOpenedExistingKey;
  state_ = std::make_unique<state>();
  state_->folder = folder;
  return true;
}

bool RegistryKey::Open(const std::wstring& path) {
  Close();
  const fs::path folder = KeyFolder(path);
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return false;
  state_ = std::make_unique<state>();
  state_->folder = folder;
  return true;
}

bool RegistryKey::ReadString(const std::wstring& name, std::wstring& value,
                             std::size_t max_bytes) const {
  if (!state_ || !ValueNameUsable(name)) return false;
  const fs::path file = state_->folder / WideToUtf8(name);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return false;
  const auto size = fs::file_size(file, ec);
  if (ec || size > max_bytes) return false;
  std::ifstream in(file, std::ios::binary);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return false;
  std::wstring text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == 0) break;  // the text ends at its first NUL, as a registry read shows it
    text += unit;
  }
  value = text;
  return true;
}

bool RegistryKey::WriteString(const std::wstring& name, const std::wstring& value) {
  if (!state_ || !ValueNameUsable(name)) return false;
  std::string bytes;
  for (wchar_t c : value) {
    // UTF-16 units; a character beyond the basic plane is written as its surrogate pair.
    auto unit = static_cast<std::uint32_t>(static_cast<char32_t>(c));
    if (unit > 0xFFFF) {
      unit -= 0x10000;
      const std::uint32_t high = 0xD800 + (unit >> 10);
      const std::uint32_t low = 0xDC00 + (unit & 0x3FF);
      bytes += static_cast<char>(high & 0xFF);
      bytes += static_cast<char>(high >> 8);
      bytes += static_cast<char>(low & 0xFF);
      bytes += static_cast<char>(low >> 8);
    } else {
      bytes += static_cast<char>(unit & 0xFF);
      bytes += static_cast<char>(unit >> 8);
    }
  }
  const fs::path file = state_->folder / WideToUtf8(name);
  const fs::path temporary = file.string() + ".new";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out.write(bytes.data(), static_cast<std::streamsize>(bytes.size())) || !out.flush()) {
      return false;
    }
  }
  std::error_code ec;
  fs::rename(temporary, file, ec);
  return !ec;
}

void RegistryKey::Close() { state_.reset(); }
bool RegistryKey::IsOpen() const { return state_ != nullptr; }

void SetRegistryStoreFolder(const std::wstring& folder) {
  std::lock_guard<std::mutex> lock(store_mutex);
  store_override = folder.empty() ? fs::path() : fs::path(WideToUtf8(folder));
}

}  // namespace platform
