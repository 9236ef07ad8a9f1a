#include "common/work_folder.h"

#include <atomic>

#include "common/domain_code.h"
#include "common/language_manager.h"
#include "common/system_utils.h"
#include "common/zip_unpack.h"
#include "log/log.h"
#include "platform/paths.h"
#include "platform/resources.h"

void PrepareWorkFolder(const std::wstring& work_folder, LanguageManager& language) {
  const std::wstring log_folder = work_folder + L"Log";
  InitLog(L"kelvane_down.log", log_folder.c_str());
  const std::wstring language_folder = work_folder + L"language" + platform::kPathSeparator;
  LoadResZipFile(language_folder);
  language.Init(language_folder);
}

bool InitWorkFolder(std::wstring& work_folder, LanguageManager& language) {
  // Only the UI thread prepares the folder; the flag keeps the later callers out.
  static std::atomic<bool> done{false};
  if (done.exchange(true)) return false;
  work_folder = GetWorkFolder();
  PrepareWorkFolder(work_folder, language);
  return true;
}

bool LoadResZipFile(const std::wstring& language_folder) {
  KLOGA(kLogInfo, "LoadResZipFile");
  const auto pack =
      platform::FindResource({platform::kResourceRcData, nullptr}, kLanguagePackResourceId);
  if (!pack) return false;
  return UnzipToFolder(pack->data, pack->size, language_folder);
}

void LoadDomainFile(LanguageManager& language) {
  KLOGA(kLogInfo, "LoadDomainFile");
  const auto resource =
      platform::FindResource({platform::kResourceRcData, nullptr}, kDomainCodeResourceId);
  std::string raw;
  language.SetCustom(resource ? DomainCodeFromBytes(resource->data, resource->size, raw)
                              : std::wstring());
  KLOGA(kLogInfo, "Domain:%s", raw.c_str());
}
