// Where the machine values land in the Windows registry. These tests write below
// HKEY_LOCAL_MACHINE and so need administrator rights (Wine's user has them).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/registry.h"

namespace {

// A key of the 32-bit programs' view of SOFTWARE that the test removes again.
class MachineKey {
 public:
  explicit MachineKey(std::wstring name) : name_(std::move(name)) {}
  ~MachineKey() {
    HKEY software = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                      &software) == ERROR_SUCCESS) {
      RegDeleteTreeW(software, name_.c_str());
      RegDeleteKeyW(software, name_.c_str());
      RegCloseKey(software);
    }
  }
  const std::wstring& name() const { return name_; }

 private:
  std::wstring name_;
};

TEST(RegistryWindows, AWow6432NodePathIsThe32BitViewOfSoftware) {
  const MachineKey test_key(L"Kelvane tests " + std::to_wstring(GetCurrentProcessId()));
  platform::RegistryKey key;
  platform::RegistryDisposition disposition;
  if (!key.Create(L"SOFTWARE\\WOW6432Node\\" + test_key.name() + L"\\KelvaneDown", disposition)) {
    GTEST_SKIP() << "HKEY_LOCAL_MACHINE is not writable here (no administrator rights)";
  }
  EXPECT_EQ(disposition, platform::RegistryDisposition::kCreatedNewKey);
  const std::wstring guid = L"1B4E28BA-2FA1-11d2-883F-0016D3CCA427";
  ASSERT_TRUE(key.WriteString(L"GUID", guid));
  key.Close();

  // The value sits in SOFTWARE of the 32-bit view (WOW6432Node on 64-bit Windows) as REG_SZ;
  // never below a second WOW6432Node. It is handed over without its NUL; Windows adds the NUL
  // when the text in memory is followed by one.
  HKEY raw = nullptr;
  const std::wstring in_view = L"SOFTWARE\\" + test_key.name() + L"\\KelvaneDown";
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, in_view.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &raw),
            ERROR_SUCCESS);
  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExW(raw, L"GUID", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_TRUE(size == 2 * guid.size() || size == 2 * guid.size() + 2) << size;
  RegCloseKey(raw);
  const std::wstring doubled = L"SOFTWARE\\WOW6432Node\\WOW6432Node\\" + test_key.name();
  EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, doubled.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &raw),
            ERROR_SUCCESS);

  // Opened again through the same path, the value reads back.
  ASSERT_TRUE(key.Open(L"SOFTWARE\\WOW6432Node\\" + test_key.name() + L"\\KelvaneDown"));
  std::wstring value;
  ASSERT_TRUE(key.ReadString(L"GUID", value, 2048));
  EXPECT_EQ(value, guid);
}

}  // namespace
