// A small language pack written into a temporary folder, in the shipped pack's encodings.
#pragma once

#include <map>
#include <string>

#include "tests/support/temp_folder.h"

namespace kvtest {

class PackFixture {
 public:
  /// `folder` must outlive the fixture; the pack is written to folder/language/.
  explicit PackFixture(const TempFolder& folder) : folder_(folder) {}

  /// language.ini with "id=name" lines (ASCII).
  void Languages(const std::string& lines) { folder_.Write("language/language.ini", lines); }
  /// An ini file below the pack, UTF-16LE with a byte-order mark.
  void Ini(const std::string& relative, const std::wstring& text) {
    folder_.Write("language/" + relative, Utf16LeWithBom(text));
  }
  /// The pack's folder as the installer names it, ending in a separator.
  std::wstring Folder() const { return folder_.Wide("language") + L"/"; }

 private:
  const TempFolder& folder_;
};

/// The shipped product table, as productInfo.ini text.
inline std::wstring ShippedProductInfo() {
  return L"[PRODUCT]\r\nSTR_GA_TTTLE=Kelvane Wayvo\r\nSTR_PRODUCT_NAME=Kelvane Wayvo\r\n"
         L"STR_DIR1_NAME=Kelvane\r\nSTR_DIR2_NAME=Kelvane Wayvo\r\nSTR_EXE_NAME=Wayvo.exe\r\n"
         L"STR_LISENCE_COLOR=#337BDD\r\nSTR_BRAND_NAME=Kelvane\r\nSTR_RUN_AS_ADMIN=1\r\n"
         L"STR_PID=216\r\nSTR_API_HOST=api.kelvane.example\r\n";
}

}  // namespace kvtest
