#include "tools/skinui_preview/preview_scene.h"

#include <cstdlib>
#include <cstring>

#include "common/control_texts.h"
#include "common/language_manager.h"
#include "common/system_utils.h"
#include "platform/text.h"
#include "skinui/container.h"
#include "skinui/control.h"
#include "skinui/edit.h"
#include "skinui/option.h"
#include "skinui/paint_manager.h"
#include "skinui/progress.h"
#include "skinui/tab_layout.h"

namespace {

bool ParseNumber(const char* text, int low, int high, int& value) {
  char* end = nullptr;
  const long number = std::strtol(text, &end, 10);
  if (!*text || *end || number < low || number > high) return false;
  value = static_cast<int>(number);
  return true;
}

SkinUI::CTabLayout* FindPageSwitch(SkinUI::CPaintManager& manager) {
  if (auto* tabs = dynamic_cast<SkinUI::CTabLayout*>(manager.FindControl(L"switch"))) return tabs;
  SkinUI::CTabLayout* first = nullptr;
  if (manager.GetRoot()) {
    manager.GetRoot()->VisitTree([&](SkinUI::CControl& control) {
      if (!first) first = dynamic_cast<SkinUI::CTabLayout*>(&control);
    });
  }
  return first;
}

// The start-up texts, the path field and the agreement box, as the installer sets them.
void ApplyLanguage(SkinUI::CPaintManager& manager, const LanguageManager& language) {
  for (const ControlTextKey& entry : StartupControlTexts()) {
    if (SkinUI::CControl* control = manager.FindControl(entry.control)) {
      control->SetText(language.GetText(entry.key));
    }
  }
  if (auto* edit = dynamic_cast<SkinUI::CEdit*>(manager.FindControl(L"edit_path"))) {
    edit->SetText(GetDefaultInstallRoot());
    edit->SetReadOnly(true);
  }
  // The home page at start-up: Start Now appears only at the end.
  if (SkinUI::CControl* start = manager.FindControl(L"btn_start")) start->SetVisible(false);
  auto* agree = dynamic_cast<SkinUI::CCheckBox*>(manager.FindControl(L"chk_agree"));
  if (agree) agree->SetCheck(true, false);
  if (SkinUI::CControl* install = manager.FindControl(L"btn_install")) {
    install->SetEnabled(!agree || agree->GetCheck());
  }
}

}  // namespace

bool ParsePreviewArguments(int argc, char** argv, PreviewOptions& options, std::string& error) {
  auto wide = [](const char* text) { return platform::Utf8ToWide(text); };
  for (int i = 1; i < argc; ++i) {
    const std::string flag = argv[i];
    const bool has_value = i + 1 < argc;
    if (flag == "--window") {
      options.window = true;
      continue;
    }
    if (!has_value) {
      error = flag.rfind("--", 0) == 0 ? flag + " needs a value" : "unknown argument " + flag;
      return false;
    }
    const char* value = argv[++i];
    int number = 0;
    if (flag == "--skin") {
      options.skin = wide(value);
    } else if (flag == "--file") {
      options.file = wide(value);
    } else if (flag == "--page") {
      if (!ParseNumber(value, 0, 1000, number)) {
        error = "--page needs a page number, not \"" + std::string(value) + "\"";
        return false;
      }
      options.page = number;
    } else if (flag == "--show") {
      options.show.push_back(wide(value));
    } else if (flag == "--hide") {
      options.hide.push_back(wide(value));
    } else if (flag == "--progress") {
      if (!ParseNumber(value, 0, 100, number)) {
        error = "--progress needs a percentage from 0 to 100, not \"" + std::string(value) + "\"";
        return false;
      }
      options.progress = number;
    } else if (flag == "--texts") {
      options.texts_folder = wide(value);
    } else if (flag == "--lang") {
      if (!ParseNumber(value, 0, 65535, number)) {
        error = "--lang needs a decimal LANGID such as 1033, not \"" + std::string(value) + "\"";
        return false;
      }
      options.language_id = wide(value);
    } else if (flag == "-o") {
      options.output = value;
    } else {
      error = "unknown argument " + flag;
      return false;
    }
  }
  if (options.skin.empty() || options.file.empty()) {
    error = "--skin and --file are needed";
    return false;
  }
  if (options.output.empty() && !options.window) {
    error = "-o OUT.png (or --window) is needed";
    return false;
  }
  if (options.texts_folder.empty() != options.language_id.empty()) {
    error = "--texts and --lang go together";
    return false;
  }
  return true;
}

bool PreparePreview(SkinUI::CPaintManager& manager, const PreviewOptions& options,
                    SkinUI::Size& size, std::string& error) {
  size = manager.GetInitialSize();
  bool right_to_left = options.file.find(L"_rtl") != std::wstring::npos;
  if (!options.texts_folder.empty()) {
    std::wstring folder = options.texts_folder;
    if (folder.back() != L'/') folder += L'/';
    LanguageManager language;
    language.InitForLanguageId(folder, options.language_id);
    right_to_left = language.IsRightToLeft();
    ApplyLanguage(manager, language);
  }
  if (options.page) {
    SkinUI::CTabLayout* tabs = FindPageSwitch(manager);
    if (!tabs || !tabs->SelectItem(*options.page)) {
      error = "the skin has no page " + std::to_string(*options.page);
      return false;
    }
  }
  auto* root = dynamic_cast<SkinUI::CContainer*>(manager.GetRoot());
  for (const std::wstring& name : options.show) {
    SkinUI::CControl* control = manager.FindControl(name);
    if (!control) {
      error = "the skin has no control \"" + platform::WideToUtf8(name) + "\"";
      return false;
    }
    const bool grows_window = !control->IsOwnVisible() && root && control->GetParent() == root &&
                              control->GetFixedHeight() > 0;
    control->SetVisible(true);
    if (grows_window) size.cy += control->GetFixedHeight();
    // The custom area opens with its checkbox ticked.
    if (name == L"bottomLayout") {
      if (auto* fold = dynamic_cast<SkinUI::CCheckBox*>(manager.FindControl(L"chk_fold"))) {
        fold->SetCheck(true, false);
      }
    }
  }
  for (const std::wstring& name : options.hide) {
    SkinUI::CControl* control = manager.FindControl(name);
    if (!control) {
      error = "the skin has no control \"" + platform::WideToUtf8(name) + "\"";
      return false;
    }
    control->SetVisible(false);
  }
  if (options.progress) {
    if (auto* bar = dynamic_cast<SkinUI::CProgress*>(manager.FindControl(L"progress_download"))) {
      bar->SetValue(ProgressBarValue(*options.progress, right_to_left));
    }
    if (SkinUI::CControl* label = manager.FindControl(L"label_progress")) {
      label->SetText(ProgressLabelText(*options.progress));
    }
  }
  return true;
}
