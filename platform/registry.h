// Values kept for the whole machine: the registry below HKEY_LOCAL_MACHINE on Windows; on Linux
// a file store below /var/lib/kelvane (root) or $XDG_STATE_HOME/kelvane (default
// ~/.local/state/kelvane) with one folder per key and one file per value, holding the value's
// bytes as the registry holds them (text values as UTF-16LE without the terminating NUL).
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace platform {

/// What creating a key found.
enum class RegistryDisposition { kCreatedNewKey, kOpenedExistingKey };

/// One open key of HKEY_LOCAL_MACHINE. Key paths are separated by backslashes
/// ("SOFTWARE\\WOW6432Node\\Kelvane\\KelvaneDown"). The key is closed by Close or the destructor.
class RegistryKey {
 public:
  RegistryKey();
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  /// Creates the key (and missing keys on its path) or opens it when it exists, for writing.
  bool Create(const std::wstring& path, RegistryDisposition& disposition);
  /// Opens an existing key with every right.
  bool Open(const std::wstring& path);
  /// Reads a text value of at most `max_bytes` bytes (its type is not looked at); false when
  /// the value is missing, unreadable or larger.
  bool ReadString(const std::wstring& name, std::wstring& value, std::size_t max_bytes) const;
  /// Writes a text value, replacing what was there.
  bool WriteString(const std::wstring& name, const std::wstring& value);
  void Close();
  bool IsOpen() const;

 private:
  struct state;
  std::unique_ptr<state> state_;
};

/// Tests only: keeps the Linux store below `folder` instead (empty: back to the default).
void SetRegistryStoreFolder(const std::wstring& folder);

}  // namespace platform
