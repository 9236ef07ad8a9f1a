// LanguageManager holds the language pack's tables for the chosen language: the product table,
// the URL table and the text table, the language's name and writing direction, and the domain
// code. It is filled once at start-up and only read afterwards, so any thread may read it then.
#pragma once

#include <optional>
#include <string>

#include "common/string_table.h"

class LanguageManager {
 public:
  /// Chooses the language from the user's UI language and loads the tables from
  /// `language_folder` (the unpacked pack, ending in a separator).
  void Init(const std::wstring& language_folder);
  /// The same with `ui_language_id` (decimal LANGID) in place of the user's UI language.
  void InitForLanguageId(const std::wstring& language_folder, const std::wstring& ui_language_id);

  /// Sets the language name and right-to-left flag from language.ini.
  void InitCurrentLanguage();
  void LoadProductInfo();
  void LoadUrlInfo();
  /// Rebuilds the texts: the English defaults, the language's text.ini over them, then the
  /// placeholders PRODUCT, COLOR and BRAND filled in that order.
  void LoadText();

  std::wstring GetText(const std::wstring& key) const { return LookUp(texts_, key); }
  const StringTable& GetTextTable() const { return texts_; }
  std::wstring GetProductValue(const std::wstring& key) const { return LookUp(products_, key); }
  std::wstring GetUrlValue(const std::wstring& key) const { return LookUp(urls_, key); }

  std::wstring GetProductName() const { return GetProductValue(L"STR_PRODUCT_NAME"); }
  /// STR_BRAND_NAME, or "Kelvane" when that is empty.
  std::wstring GetBrandName() const;
  std::wstring GetLicenceColor() const { return GetProductValue(L"STR_LISENCE_COLOR"); }
  std::wstring GetGATitle() const { return GetProductValue(L"STR_GA_TTTLE"); }
  std::wstring GetExeName() const { return GetProductValue(L"STR_EXE_NAME"); }
  /// "DIR1/DIR2/" from the two folder names, each left out when empty.
  std::wstring GetInstallSubDir() const;
  std::wstring GetExeSubPath() const { return GetInstallSubDir() + GetExeName(); }
  /// True unless STR_RUN_AS_ADMIN is exactly "0".
  bool IsRunAsAdmin() const { return GetProductValue(L"STR_RUN_AS_ADMIN") != L"0"; }

  /// The installer address for this processor; never carries the domain code.
  std::wstring GetDownloadUrl() const;
  std::wstring GetDownloadUrlEx() const;
  std::wstring GetLicenceUrl() const;
  std::wstring GetInstallUrl() const;
  /// "https://" + API host + "/downloader/carousel?pid=" + STR_PID + "&lang=" + language name,
  /// both values percent-encoded.
  std::wstring GetCarouselUrl() const;

  /// The maker's API host and the analytics deployment values.
  std::wstring GetApiHost() const { return GetProductValue(L"STR_API_HOST"); }
  std::wstring GetAnalyticsHost() const { return GetProductValue(L"STR_GA_HOST"); }
  std::wstring GetMeasurementId() const { return GetProductValue(L"STR_GA_MEASUREMENT_ID"); }
  std::wstring GetApiSecret() const { return GetProductValue(L"STR_GA_API_SECRET"); }

  /// The share of the progress bar the download fills, in percent.
  int GetDownloadRatio() const { return 80; }
  /// How often the installer's progress file is read, in milliseconds.
  int GetReadFileTimeout() const { return 1500; }

  std::wstring GetCustom() const { return custom_; }
  void SetCustom(const std::wstring& custom) { custom_ = custom; }
  std::wstring GetLanguageName() const { return language_name_; }
  bool IsRightToLeft() const { return right_to_left_; }

 private:
  std::wstring LanguageFile(const wchar_t* file_name) const;

  StringTable texts_;
  StringTable urls_;
  StringTable products_;
  std::wstring language_folder_;
  std::wstring language_name_ = L"English";
  std::wstring custom_;
  bool right_to_left_ = false;
  std::optional<std::wstring> ui_language_id_;
};
