// The silent run of the downloaded installer: the running-product question, the product folder
// and its domain file, the wait for the installer, its progress file and the finish page.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>

#include "Window/main_frame.h"
#include "common/domain_code.h"
#include "log/log.h"
#include "skinui/control.h"
#include "skinui/message_box.h"

namespace {

// How long the task bar button shows the full bar before it is cleared.
constexpr auto kFinishedBarShown = std::chrono::seconds(1);

}  // namespace

int InstallProgressPercent(const char* text, int download_ratio) {
  // Only the first 10 bytes are looked at: a number of up to ten digits, which may not fit an
  // int, so the value is computed wide and kept inside the int range.
  const long long value = std::strtoll(text, nullptr, 10);
  const long long shown = download_ratio + (100LL - download_ratio) * value / 100;
  if (shown > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (shown < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(shown);
}

void CMainFrameWnd::StartInstallExe() {
  const std::wstring product = language_.GetExeName();
  platform::ProcessId running = 0;
  if (!product.empty() && system_->FindProcess(product, running)) {
    KLOGA(kLogInfo,
          "StartInstallExe\xEF\xBC\x9A"
          "FindProcess");
    if (taskbar_) taskbar_->SetState(SkinUI::kTbpfPaused);
    if (AskUser(language_.GetText(L"STR_SOFT_RUN"), SkinUI::kMbOkCancel | SkinUI::kMbIconWarning) !=
        SkinUI::kIdOk) {
      PostMessage(SkinUI::kWmClose, kCloseWithoutQuestion, 0);
      return;
    }
    system_->KillProcess(running);
    if (taskbar_) taskbar_->SetState(SkinUI::kTbpfNormal);
  }
  const std::wstring product_folder = install_root_ + language_.GetInstallSubDir();
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(product_folder), ignored);
  WriteDomainFile(product_folder, language_.GetCustom());

  std::thread([system = system_, ui = ui_, frame = this, installer = InstallerPath(),
               root = install_root_, progress = progress_file_] {
    system->RunSilentInstaller(installer, root, progress);
    system->SendAnalytics(AnalyticsEvent::kInstalledSucceed);
    KLOGA(kLogInfo,
          "StartInstallExe\xEF\xBC\x9A"
          "SilentInstallation");
    ui->Post([frame] { frame->UpdateWindowSate(kWindow_Finish); });
  }).detach();

  StartProgressPolling();
}

void CMainFrameWnd::StartProgressPolling() {
  // A progress file left by an earlier run must not show its old value.
  std::error_code ignored;
  std::filesystem::remove(std::filesystem::path(progress_file_), ignored);
  SetTimer(kTimerInstallProgress, static_cast<unsigned>(read_file_timeout_));
}

void CMainFrameWnd::ReadInstallProgress() {
  std::ifstream file{std::filesystem::path(progress_file_)};
  if (!file) return;
  char buffer[11] = {};
  file.read(buffer, 10);
  SetProgress(InstallProgressPercent(buffer, download_ratio_));
}

void CMainFrameWnd::InstallExeFinish() {
  KLOGA(kLogInfo, "InstallExeFinish");
  KillTimer(kTimerCarousel);
  KillTimer(kTimerInstallProgress);
  if (SkinUI::CControl* start = Find(L"btn_start")) start->SetVisible(true);
  if (SkinUI::CControl* install = Find(L"btn_install")) install->SetVisible(false);
  if (SkinUI::CControl* line = Find(L"lineLayout")) line->SetAttribute(L"visible", L"false");
  if (SkinUI::CControl* custom = Find(L"customLayout")) custom->SetAttribute(L"visible", L"false");
  if (SkinUI::CControl* tip = Find(L"control_tip")) tip->SetVisible(false);
  if (taskbar_) {
    taskbar_->SetState(SkinUI::kTbpfNormal);
    taskbar_->SetValue(100, 100);
  }
  CleanUpInstallFiles();
  std::thread([ui = ui_, frame = this] {
    std::this_thread::sleep_for(kFinishedBarShown);
    ui->Post([frame] {
      if (frame->taskbar_) frame->taskbar_->SetState(SkinUI::kTbpfNoProgress);
    });
  }).detach();
  const std::wstring url = language_.GetInstallUrl();
  if (!url.empty()) system_->ShellOpen(this, url);
}
