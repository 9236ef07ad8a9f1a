// Machine values in the registry below HKEY_LOCAL_MACHINE.
//
// A path below "SOFTWARE\WOW6432Node" names the 32-bit programs' view of SOFTWARE: on 64-bit
// Windows that view is kept physically below WOW6432Node, on 32-bit Windows it is SOFTWARE
// itself. The path is therefore opened as "SOFTWARE\..." in the 32-bit view (KEY_WOW64_32KEY),
// which finds the same key from a 32-bit or a 64-bit process and never a second WOW6432Node
// below the first.
#include <windows.h>

#include <cwctype>
#include <mutex>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace platform {
namespace {

static_assert(REG_CREATED_NEW_KEY == 1 && REG_OPENED_EXISTING_KEY == 2, "");
static_assert(REG_SZ == 1, "");

constexpr wchar_t kWow64Software[] = L"SOFTWARE\\WOW6432Node";
constexpr wchar_t kTestStores[] = L"Software\\Kelvane test stores";

std::mutex store_mutex;
std::wstring test_store;  // below kTestStores in HKEY_CURRENT_USER; empty: the machine's

struct Place {
  HKEY root = HKEY_LOCAL_MACHINE;
  std::wstring subkey;
  REGSAM view = 0;
};

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::towlower(text[i]) != std::towlower(prefix[i])) return false;
  }
  return true;
}

// Where `path` lives; false for a path with an empty part.
bool PlaceOf(const std::wstring& path, Place& place) {
  if (path.empty() || path.front() == L'\\' || path.back() == L'\\' ||
      path.find(L"\\\\") != std::wstring::npos) {
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(store_mutex);
    if (!test_store.empty()) {
      place.root = HKEY_CURRENT_USER;
      place.subkey = std::wstring(kTestStores) + L"\\" + test_store + L"\\" + path;
      place.view = 0;
      return true;
    }
  }
  const std::wstring wow64 = kWow64Software;
  place.root = HKEY_LOCAL_MACHINE;
  if (StartsWithNoCase(path, wow64) &&
      (path.size() == wow64.size() || path[wow64.size()] == L'\\')) {
    place.subkey = L"SOFTWARE" + path.substr(wow64.size());
    place.view = KEY_WOW64_32KEY;
  } else {
    place.subkey = path;
    place.view = 0;
  }
  return true;
}

}  // namespace

struct RegistryKey::state {
  HKEY key = nullptr;
};

RegistryKey::RegistryKey() = default;
RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::Create(const std::wstring& path, RegistryDisposition& disposition) {
  Close();
  Place place;
  if (!PlaceOf(path, place)) return false;
  HKEY key = nullptr;
  DWORD outcome = 0;
  // Missing keys on the way are made too.
  if (RegCreateKeyExW(place.root, place.subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_READ | KEY_WRITE | place.view, nullptr, &key,
                      &outcome) != ERROR_SUCCESS) {
    return false;
  }
  disposition = outcome == REG_CREATED_NEW_KEY ? RegistryDisposition::kCreatedNewKey
                                               : RegistryDisposition::kOpenedExistingKey;
  state_ = std::make_unique<state>();
  state_->key = key;
  return true;
}

bool RegistryKey::Open(const std::wstring& path) {
  Close();
  Place place;
  if (!PlaceOf(path, place)) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExW(place.root, place.subkey.c_str(), 0, KEY_ALL_ACCESS | place.view, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  state_ = std::make_unique<state>();
  state_->key = key;
  return true;
}

bool RegistryKey::ReadString(const std::wstring& name, std::wstring& value,
                             std::size_t max_bytes) const {
  if (!state_ || name.empty()) return false;
  if (max_bytes > 0x7FFFFFF0) max_bytes = 0x7FFFFFF0;
  // Room for the text's terminator, which the system may have stored after it, and for one of
  // our own: a text stored without its NUL still ends.
  std::vector<BYTE> buffer(max_bytes + 2 * sizeof(wchar_t), 0);
  DWORD size = static_cast<DWORD>(max_bytes + sizeof(wchar_t));
  // The type is not looked at; a larger value does not fit and fails.
  if (RegQueryValueExW(state_->key, name.c_str(), nullptr, nullptr, buffer.data(), &size) !=
      ERROR_SUCCESS) {
    return false;
  }
  if (size > max_bytes) {
    // Only a terminating NUL may go beyond the limit: it is not part of the text.
    const bool terminator_only = size == max_bytes + sizeof(wchar_t) && max_bytes % 2 == 0 &&
                                 buffer[max_bytes] == 0 && buffer[max_bytes + 1] == 0;
    if (!terminator_only) return false;
    size = static_cast<DWORD>(max_bytes);
  }
  std::wstring text;
  for (DWORD i = 0; i + 1 < size; i += 2) {
    const auto unit = static_cast<wchar_t>(buffer[i] | (buffer[i + 1] << 8));
    if (unit == 0) break;  // the text ends at its first NUL
    text += unit;
  }
  value = text;
  return true;
}

bool RegistryKey::WriteString(const std::wstring& name, const std::wstring& value) {
  if (!state_ || name.empty()) return false;
  const std::size_t bytes = value.size() * sizeof(wchar_t);
  if (bytes > 0x7FFFFFFF) return false;
  // REG_SZ, handed over without its terminating NUL (twice the characters in bytes). Windows
  // itself stores the NUL too when the text in memory is followed by one, as a std::wstring is.
  return RegSetValueExW(state_->key, name.c_str(), 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(value.data()),
                        static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

void RegistryKey::Close() {
  if (state_ && state_->key != nullptr) RegCloseKey(state_->key);
  state_.reset();
}

bool RegistryKey::IsOpen() const { return state_ != nullptr; }

// Tests keep their keys in a private key of the current user named after the folder, so that
// they neither need administrator rights nor touch the machine's values. The private key goes
// when the tests switch to another folder or back to the machine.
void SetRegistryStoreFolder(const std::wstring& folder) {
  std::lock_guard<std::mutex> lock(store_mutex);
  if (!test_store.empty()) {
    const std::wstring old = std::wstring(kTestStores) + L"\\" + test_store;
    RegDeleteTreeW(HKEY_CURRENT_USER, old.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, old.c_str());
  }
  test_store = folder;
  // A key name holds no backslash.
  for (wchar_t& c : test_store) {
    if (c == L'\\') c = L'/';
  }
}

}  // namespace platform
