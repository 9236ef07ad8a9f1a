// The window itself: start-up, texts, the state machine, the progress display, the custom-path
// area, the timers and the notification dispatch.
#include "Window/main_frame.h"

#include <thread>

#include "common/control_texts.h"
#include "common/domain_code.h"
#include "common/system_utils.h"
#include "common/work_folder.h"
#include "log/log.h"
#include "platform/paths.h"
#include "platform/private_files.h"
#include "skinui/control.h"
#include "skinui/edit.h"
#include "skinui/message_box.h"
#include "skinui/option.h"
#include "skinui/progress.h"
#include "skinui/tab_layout.h"

namespace {

constexpr int kCustomAreaHeight = 75;
constexpr int kMaxBannerDots = 20;
// MB_RTLREADING | MB_RIGHT | MB_SETFOREGROUND for right-to-left languages.
constexpr unsigned kRightToLeftBoxFlags = 0x190000;

std::wstring ParentFolder(const std::wstring& folder) {
  std::wstring path = folder;
  while (path.size() > 1 && path.back() == platform::kPathSeparator) path.pop_back();
  const auto last = path.find_last_of(platform::kPathSeparator);
  return last == std::wstring::npos || last == 0 ? std::wstring() : path.substr(0, last + 1);
}

}  // namespace

/// The banner control as the carousel content sees it.
class CMainFrameWnd::CBannerPicture : public IBannerPicture {
 public:
  explicit CBannerPicture(SkinUI::CControl* control) : control_(control) {}
  void ShowPicture(const std::wstring& path) override { control_->SetBkImage(path); }

 private:
  SkinUI::CControl* control_;
};

CMainFrameWnd::CMainFrameWnd(std::shared_ptr<IInstallerSystem> system)
    : system_(std::move(system)), ui_(std::make_shared<CUiTaskQueue>(this)) {}

CMainFrameWnd::~CMainFrameWnd() {
  ui_->Close();
  if (banners_) banners_->SetView(nullptr);
  DestroyWindow();
}

void CMainFrameWnd::InitWorkFolder() {
  if (work_folder_ready_) return;
  work_folder_ready_ = true;
  system_->InitWorkFolder(work_folder_, language_);
  // The folder holds the program an elevated setup runs: nobody else may write it.
  platform::RestrictFolderToOwner(ParentFolder(work_folder_));
  platform::RestrictFolderToOwner(work_folder_);
}

std::wstring CMainFrameWnd::GetSkinFile() {
  InitWorkFolder();
  return language_.IsRightToLeft() ? L"window_rtl.xml" : L"window.xml";
}

void CMainFrameWnd::InitWindow() {
  SetIcon(101);
  InitData();
  InitTaskbarProgress();
  InitAnalytics();
}

void CMainFrameWnd::InitData() {
  path_field_ = nullptr;
  tip_label_ = nullptr;
  fold_checkbox_ = nullptr;
  progress_label_ = nullptr;
  progress_bar_ = nullptr;
  window_state_ = -1;
  install_root_ = system_->GetDefaultInstallRoot();
  InitWorkFolder();
  LoadDomainFile(language_);
  banner_language_ = std::make_shared<const LanguageManager>(language_);
  banners_ = std::make_shared<CBannerContent>(
      *banner_language_, work_folder_ + L"language" + platform::kPathSeparator, this);
  InitControlTexts();
  progress_label_ = Find(L"label_progress");
  tip_label_ = Find(L"label_tip");
  progress_bar_ = dynamic_cast<SkinUI::CProgress*>(Find(L"progress_download"));
  if (SkinUI::CControl* banner = Find(L"banner")) {
    banner_picture_ = std::make_unique<CBannerPicture>(banner);
  }
  UpdateWindowSate(kWindow_Init);
  KLOGW(kLogInfo, L"Windows Version:%ls", GetWindowsProductName().c_str());
  KLOGW(kLogInfo, L"Windows Bit:%ls", IsNative64Bit() ? L"x64" : L"x86");
  KLOGW(kLogInfo, L"downloader version:%ls",
        GetFileVersionString(platform::GetModulePath()).c_str());
  progress_file_ = work_folder_ + kProgressFileName;
  download_ratio_ = language_.GetDownloadRatio();
  read_file_timeout_ = language_.GetReadFileTimeout();
  KLOGA(kLogInfo, "DownloadRatio:%d  ==== ReadFileTimeout:%d", download_ratio_, read_file_timeout_);
}

void CMainFrameWnd::InitControlTexts() {
  for (const ControlTextKey& entry : StartupControlTexts()) {
    if (SkinUI::CControl* control = Find(entry.control)) {
      control->SetText(language_.GetText(entry.key));
    }
  }
  if (auto* edit = dynamic_cast<SkinUI::CEdit*>(Find(L"edit_path"))) {
    path_field_ = edit;
    edit->SetText(install_root_);
    edit->SetReadOnly(true);
  }
  if (auto* agree = dynamic_cast<SkinUI::CCheckBox*>(Find(L"chk_agree"))) {
    agree->SetCheck(true, true);
  }
  if (auto* fold = dynamic_cast<SkinUI::CCheckBox*>(Find(L"chk_fold"))) {
    fold_checkbox_ = fold;
    fold->SetCheck(false, true);
  }
  download_url_ = language_.GetDownloadUrl();
}

void CMainFrameWnd::UpdateWindowSate(int state) {
  if (state == window_state_) return;
  window_state_ = state;
  auto* pages = dynamic_cast<SkinUI::CTabLayout*>(Find(L"switch"));
  if (!pages) return;
  switch (state) {
    case kWindow_Init:
      KLOGA(kLogInfo, "UpdateWindowSate:kWindow_Init");
      pages->SelectItem(0);
      if (SkinUI::CControl* start = Find(L"btn_start")) start->SetVisible(false);
      break;
    case kWindow_Downloading:
      KLOGA(kLogInfo, "UpdateWindowSate:kWindow_Downloading");
      if (fold_checkbox_) fold_checkbox_->SetCheck(false, true);
      pages->SelectItem(1);
      SetProgress(0);
      break;
    case kWindow_Installing:
      KLOGA(kLogInfo, "UpdateWindowSate:kWindow_Installing");
      StartInstallExe();
      break;
    case kWindow_Finish:
      KLOGA(kLogInfo, "UpdateWindowSate:kWindow_Finish");
      pages->SelectItem(0);
      InstallExeFinish();
      break;
    default:
      break;
  }
}

void CMainFrameWnd::SetProgress(int percent) {
  if (progress_bar_) {
    progress_bar_->SetValue(ProgressBarValue(percent, language_.IsRightToLeft()));
  }
  if (progress_label_) progress_label_->SetText(ProgressLabelText(percent));
  if (taskbar_) {
    taskbar_->SetState(SkinUI::kTbpfNormal);
    taskbar_->SetValue(percent < 0 ? 0 : static_cast<std::uint64_t>(percent), 100);
  }
}

void CMainFrameWnd::ShowPathTip(const std::wstring& text) {
  if (!tip_label_) return;
  tip_label_->SetText(text);
  tip_label_->SetVisible(!text.empty());
  if (!text.empty() && fold_checkbox_) fold_checkbox_->SetCheck(true, true);
}

void CMainFrameWnd::BrowseInstallPath() {
  const auto folder = system_->PickFolder(this, language_.GetText(L"STR_SELECT_FOLDER"));
  if (!folder) return;
  if (path_field_) path_field_->SetText(*folder);
  ShowPathTip(L"");
}

void CMainFrameWnd::ToggleCustomArea() {
  auto* fold = dynamic_cast<SkinUI::CCheckBox*>(Find(L"chk_fold"));
  SkinUI::CControl* area = Find(L"bottomLayout");
  if (!area) return;
  const bool open = fold && fold->GetCheck();
  const SkinUI::Size size = GetClientSize();
  area->SetAttribute(L"visible", open ? L"true" : L"false");
  ResizeClient({size.cx, size.cy + (open ? kCustomAreaHeight : -kCustomAreaHeight)});
}

void CMainFrameWnd::UpdateInstallButton() {
  auto* agree = dynamic_cast<SkinUI::CCheckBox*>(Find(L"chk_agree"));
  SkinUI::CControl* install = Find(L"btn_install");
  if (agree && install) install->SetEnabled(agree->GetCheck());
}

std::wstring CMainFrameWnd::GetWindowTitle() const {
  return language_.GetText(L"STR_MESSAGEBOX_TITLE");
}

void CMainFrameWnd::InitTaskbarProgress() {
  if (!taskbar_) taskbar_ = std::make_unique<SkinUI::CTaskbarProgress>();
  taskbar_->Attach(this);
  taskbar_->SetState(SkinUI::kTbpfNormal);
}

void CMainFrameWnd::InitAnalytics() {
  const std::wstring url = L"https://" + language_.GetAnalyticsHost() +
                           L"/mp/collect?measurement_id=" + language_.GetMeasurementId() +
                           L"&api_secret=" + language_.GetApiSecret();
  system_->InitAnalytics(url, language_.GetGATitle() + L" (Windows version)");
}

void CMainFrameWnd::StartAnalyticsTask(AnalyticsEvent event) {
  // A one-shot thread; nobody waits for it, and it keeps the system it uses alive.
  std::thread([system = system_, event] { system->SendAnalytics(event); }).detach();
}

int CMainFrameWnd::MessageBoxTypeFlags() const {
  return language_.IsRightToLeft() ? static_cast<int>(kRightToLeftBoxFlags) : 0;
}

int CMainFrameWnd::AskUser(const std::wstring& text, unsigned type) {
  return system_->MessageBox(this, text, GetWindowTitle(),
                             type | static_cast<unsigned>(MessageBoxTypeFlags()));
}

// ---- notifications and messages ----------------------------------------------------------------

void CMainFrameWnd::Notify(SkinUI::TNotify& msg) {
  if (msg.sender && msg.sender->GetName() == L"edit_path" && msg.type == SkinUI::kNotifySetFocus) {
    BrowseInstallPath();
    if (SkinUI::CControl* browse = Find(L"btn_browse")) browse->SetFocus();
  }
  SkinWindowBase::Notify(msg);
}

void CMainFrameWnd::DeclareMessageMap() {
  SkinWindowBase::DeclareMessageMap();
  OnNotify(SkinUI::kNotifySelectChanged, L"chk_fold",
           [this](SkinUI::TNotify&) { ToggleCustomArea(); });
  OnNotify(SkinUI::kNotifySelectChanged, L"chk_agree",
           [this](SkinUI::TNotify&) { UpdateInstallButton(); });
  OnNotify(SkinUI::kNotifyTextChanged, L"edit_path",
           [this](SkinUI::TNotify&) { ShowPathTip(L""); });
}

void CMainFrameWnd::OnClick(SkinUI::TNotify& msg) {
  if (!msg.sender) return;
  const std::wstring& name = msg.sender->GetName();
  if (name == L"btn_install") {
    OnClickInstall();
  } else if (name == L"btn_browse") {
    BrowseInstallPath();
  } else if (name == L"btn_hide") {
    SendMessage(SkinUI::kWmSysCommand, SkinUI::kScMinimize, 0);
  } else if (name == L"btn_start") {
    StartNow();
  } else if (name == L"btn_lisence") {
    system_->ShellOpen(this, language_.GetLicenceUrl());
  } else if (!msg.sender->GetCustomAttribute(L"imageIndex").empty()) {
    OnBannerDotClicked(msg.sender);
  }
}

SkinUI::LResult CMainFrameWnd::HandleCustomMessage(SkinUI::MessageId msg, SkinUI::WParam wparam,
                                                   SkinUI::LParam lparam, bool& handled) {
  if (msg == kWmRunUiTasks) {
    handled = true;
    ui_->RunPending();
    return 0;
  }
  if (msg == kWmRaiseWindow) {
    handled = true;
    Raise();
    return 0;
  }
  if (msg != SkinUI::kWmTimer) return 0;
  handled = true;
  switch (wparam) {
    case kTimerCarousel:
      OnCarouselTick();
      break;
    case kTimerInstallProgress:
      ReadInstallProgress();
      break;
    case kTimerWaitPictures:
      OnWaitPicturesTick();
      break;
    default:
      break;
  }
  return 0;
}

// ---- the carousel ------------------------------------------------------------------------------

IBannerPicture* CMainFrameWnd::FindPicture(const std::wstring& name) {
  return name == L"banner" ? banner_picture_.get() : nullptr;
}

void CMainFrameWnd::SelectDot(const std::wstring& name) {
  auto* dot = dynamic_cast<SkinUI::COption*>(FindControl(name));
  if (dot && dot->IsVisible()) dot->Selected(true, false);
}

void CMainFrameWnd::OnCarouselTick() { banners_->ShowNextBanner(); }

void CMainFrameWnd::OnWaitPicturesTick() {
  if (!banners_->images_ready.load()) return;
  KillTimer(kTimerWaitPictures);
  const int count = banners_->banner_count.load();
  if (count > 1) {
    if (SkinUI::CControl* row = Find(L"buttonLayout")) {
      row->SetVisible(true);
      for (int i = 0; i < kMaxBannerDots; ++i) {
        auto* dot = dynamic_cast<SkinUI::COption*>(
            GetPaintManager().FindSubControl(row, L"option_" + std::to_wstring(i)));
        if (!dot) break;
        dot->SetVisible(i < count);
        dot->SetCustomAttribute(L"imageIndex", std::to_wstring(i + 1));
      }
    }
  }
  if (!banners_->ShowBanner(banners_->banner_index + 1, banner_picture_.get())) {
    banners_->ShowBanner(1, banner_picture_.get());
  }
  SetTimer(kTimerCarousel, kCarouselPeriodMs);
}

void CMainFrameWnd::OnBannerDotClicked(SkinUI::CControl* dot) {
  const int n = std::wcstol(dot->GetCustomAttribute(L"imageIndex").c_str(), nullptr, 10);
  if (n == banners_->banner_index) return;
  KillTimer(kTimerCarousel);
  banners_->ShowBanner(n, banner_picture_.get());
  SetTimer(kTimerCarousel, kCarouselPeriodMs);
}
