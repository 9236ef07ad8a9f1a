// Start-up preparation of the per-setup work folder: log, language pack, language tables.
#pragma once

#include <string>

class LanguageManager;

/// The language-pack resource (RT_RCDATA 105) and the domain-code resource (RT_RCDATA 106).
constexpr int kLanguagePackResourceId = 105;
constexpr int kDomainCodeResourceId = 106;

/// Prepares `work_folder` (ending in a separator): opens the log "Log/kelvane_down.log" there,
/// unpacks the language pack into its "language" folder and initialises `language` from it.
void PrepareWorkFolder(const std::wstring& work_folder, LanguageManager& language);

/// Runs PrepareWorkFolder on GetWorkFolder() once per process, storing the folder in
/// `work_folder`. Later calls do nothing and return false.
bool InitWorkFolder(std::wstring& work_folder, LanguageManager& language);

/// Unpacks the language-pack resource into `language_folder`. False when the resource is
/// missing or not every entry could be written.
bool LoadResZipFile(const std::wstring& language_folder);

/// Reads the domain-code resource and stores it as the custom value of `language`.
void LoadDomainFile(LanguageManager& language);
