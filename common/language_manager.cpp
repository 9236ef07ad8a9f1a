#include "common/language_manager.h"

#include "common/language_pack_keys.h"
#include "common/product_urls.h"
#include "common/system_utils.h"
#include "log/log.h"
#include "platform/paths.h"
#include "platform/text.h"

void LanguageManager::Init(const std::wstring& language_folder) {
  custom_.clear();
  right_to_left_ = false;
  language_folder_ = language_folder;
  InitCurrentLanguage();
  LoadProductInfo();
  LoadUrlInfo();
  LoadText();
}

void LanguageManager::InitForLanguageId(const std::wstring& language_folder,
                                        const std::wstring& ui_language_id) {
  ui_language_id_ = ui_language_id;
  Init(language_folder);
}

void LanguageManager::InitCurrentLanguage() {
  language_name_ = L"English";
  const std::wstring language_id = ui_language_id_ ? *ui_language_id_ : GetUILanguageId();
  KLOGA(kLogInfo, "Language Code:%s", platform::WideToNarrow(language_id).c_str());
  const std::wstring name =
      ReadIniValue(language_folder_ + L"language.ini", L"Language", language_id);
  if (!name.empty()) language_name_ = name;
  right_to_left_ = language_name_ == L"Arabic";
}

void LanguageManager::LoadProductInfo() {
  ReadIniSection(language_folder_ + L"productInfo.ini", L"PRODUCT", products_);
}

void LanguageManager::LoadUrlInfo() { ReadIniSection(LanguageFile(L"UrlInfo.ini"), L"URL", urls_); }

void LanguageManager::LoadText() {
  texts_ = DefaultTextTable();
  ReadIniSection(LanguageFile(L"text.ini"), L"LANSTR", texts_);
  const std::wstring product = GetProductName();
  const std::wstring colour = GetLicenceColor();
  const std::wstring brand = GetBrandName();
  for (auto& [key, text] : texts_) {
    ReplaceAll(text, L"PRODUCT", product);
    ReplaceAll(text, L"COLOR", colour);
    ReplaceAll(text, L"BRAND", brand);
  }
}

std::wstring LanguageManager::GetBrandName() const {
  const std::wstring brand = GetProductValue(L"STR_BRAND_NAME");
  return brand.empty() ? L"Kelvane" : brand;
}

std::wstring LanguageManager::GetInstallSubDir() const {
  std::wstring folder;
  for (const wchar_t* key : {L"STR_DIR1_NAME", L"STR_DIR2_NAME"}) {
    const std::wstring name = GetProductValue(key);
    if (!name.empty()) folder += name + platform::kPathSeparator;
  }
  return folder;
}

std::wstring LanguageManager::GetDownloadUrl() const {
  return GetUrlValue(IsNative64Bit() ? L"STR_DOWN_URL_X64" : L"STR_DOWN_URL");
}

std::wstring LanguageManager::GetDownloadUrlEx() const {
  const std::wstring url = GetUrlValue(L"STR_DOWN_URLEX");
  return url.empty() ? url : AppendCustomParam(url, custom_);
}

std::wstring LanguageManager::GetLicenceUrl() const {
  return AppendCustomParam(GetUrlValue(L"STR_LICENCE_URL"), custom_);
}

std::wstring LanguageManager::GetInstallUrl() const {
  return AppendCustomParam(GetUrlValue(L"STR_INSTALL_URL"), custom_);
}

std::wstring LanguageManager::GetCarouselUrl() const {
  // Free text reaches the query percent-encoded.
  return L"https://" + GetApiHost() + L"/downloader/carousel?pid=" +
         PercentEncodeQueryValue(GetProductValue(L"STR_PID")) + L"&lang=" +
         PercentEncodeQueryValue(language_name_);
}

std::wstring LanguageManager::LanguageFile(const wchar_t* file_name) const {
  return language_folder_ + language_name_ + platform::kPathSeparator + file_name;
}
