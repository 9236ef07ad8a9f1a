#include "common/language_pack_keys.h"

const std::vector<std::wstring>& ProductKeys() {
  static const std::vector<std::wstring> keys = {
      L"STR_GA_TTTLE",     L"STR_PRODUCT_NAME",  L"STR_DIR1_NAME",  L"STR_DIR2_NAME",
      L"STR_EXE_NAME",     L"STR_LISENCE_COLOR", L"STR_BRAND_NAME", L"STR_RUN_AS_ADMIN",
      L"STR_PID",          L"STR_API_HOST",      L"STR_GA_HOST",    L"STR_GA_MEASUREMENT_ID",
      L"STR_GA_API_SECRET"};
  return keys;
}

const std::vector<std::wstring>& UrlKeys() {
  static const std::vector<std::wstring> keys = {L"STR_DOWN_URL", L"STR_DOWN_URL_X64",
                                                 L"STR_DOWN_URLEX", L"STR_LICENCE_URL",
                                                 L"STR_INSTALL_URL"};
  return keys;
}

const std::vector<std::wstring>& OptionalTextKeys() {
  static const std::vector<std::wstring> keys = {L"STR_MB"};
  return keys;
}

const StringTable& DefaultTextTable() {
  static const StringTable table = {
      {L"STR_INSTALL", L"Install"},
      {L"STR_BROWSE", L"Browse"},
      {L"STR_LISENCE", L"I've read and agreed to {c COLOR}BRAND License Agreement{/c}"},
      {L"STR_CUSTOMIZE_INSTALL", L"Customize Installation"},
      {L"STR_INSTALL_PATH", L"Installation Path"},
      {L"STR_SELECT_FOLDER", L"Select a location to install the program"},
      {L"STR_STORAGE", L"Insuficient storage. Storage required:"},
      {L"STR_PATH_INVALID", L"The installation path is invalid."},
      {L"STR_INSTALLING", L"Installing..."},
      {L"STR_HIDE", L"Hide"},
      {L"STR_MESSAGEBOX_TITLE", L"PRODUCT Setup"},
      {L"STR_NETWORK_ERROR", L"Network error. Please check your network settings."},
      {L"STR_OPERATE_TIP",
       L"Click Abort to cancel installation, Retry to try again, or Ignore to download via "
       L"browser."},
      {L"STR_SOFT_RUN",
       L"PRODUCT is running. Continuing installation will forcely quit the program. Are you sure "
       L"to install?"},
      {L"STR_CLOSE_TIP1", L"Are you sure you want to quit?"},
      {L"STR_CLOSE_TIP2", L"Installation is in progress. Are you sure you want to quit?"},
      {L"STR_START", L"Start\u00A0Now"},
      {L"STR_MB", L"MB"},
  };
  return table;
}
