#include "common/control_texts.h"

const std::vector<ControlTextKey>& StartupControlTexts() {
  static const std::vector<ControlTextKey> table = {
      {L"btn_install", L"STR_INSTALL"},      {L"btn_hide", L"STR_HIDE"},
      {L"btn_start", L"STR_START"},          {L"label_path", L"STR_INSTALL_PATH"},
      {L"btn_browse", L"STR_BROWSE"},        {L"btn_lisence", L"STR_LISENCE"},
      {L"label_install", L"STR_INSTALLING"}, {L"chk_fold", L"STR_CUSTOMIZE_INSTALL"},
  };
  return table;
}

int ProgressBarValue(int percent, bool right_to_left) {
  return right_to_left ? 100 - percent : percent;
}

std::wstring ProgressLabelText(int percent) { return std::to_wstring(percent) + L" %"; }
