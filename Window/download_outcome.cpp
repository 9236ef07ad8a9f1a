// The two ends of a download: on to the installation, or the Abort / Retry / Ignore question;
// and the clean-up of the installer's files shared with the close handler.
#include <filesystem>
#include <thread>

#include "Window/installer_digest.h"
#include "Window/main_frame.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/private_files.h"
#include "skinui/message_box.h"

namespace {

void DeleteFileIfThere(const std::wstring& path) {
  std::error_code ignored;
  std::filesystem::remove(std::filesystem::path(path), ignored);
}

}  // namespace

void CMainFrameWnd::VerifyDownloadedInstaller() {
  // The digest is fetched and the file hashed on a worker; the window waits at the download's
  // share of the bar meanwhile.
  SetProgress(download_ratio_);
  std::thread([system = system_, ui = ui_, frame = this, installer = InstallerPath(),
               digest_url = DigestUrlFor(language_)] {
    bool usable = false;
    const auto published = system->FetchSmallText(digest_url);
    const auto expected = published ? ParseDigestText(*published) : std::nullopt;
    if (!expected) {
      KLOGW(kLogInfo, L"no usable digest at %ls", digest_url.c_str());
    } else if (!platform::PrepareOwnProgramForRun(installer)) {
      KLOGA(kLogInfo, "the downloaded installer is not a file of this user alone");
    } else {
      const auto actual = FileSha256Hex(installer);
      usable = actual && *actual == *expected;
      if (!usable) {
        KLOGA(kLogInfo, "installer digest %s, published %s",
              actual ? actual->c_str() : "(unreadable)", expected->c_str());
      }
    }
    // A file that failed the check is never run, and never left to be run later.
    if (!usable) DeleteFileIfThere(installer);
    ui->Post([frame, usable] { frame->OnInstallerVerified(usable); });
  }).detach();
}

void CMainFrameWnd::OnInstallerVerified(bool usable) {
  if (window_state_ != kWindow_Downloading) return;
  if (usable) {
    DownloadSuccess();
  } else {
    DownloadFailed();
  }
}

void CMainFrameWnd::DownloadSuccess() {
  KLOGA(kLogInfo,
        "HttpDownloadEnd\xEF\xBC\x9A"
        "Success");
  StartAnalyticsTask(AnalyticsEvent::kDownloaderInstalled);
  UpdateWindowSate(kWindow_Installing);
  SetProgress(download_ratio_);
}

void CMainFrameWnd::DownloadFailed() {
  KLOGA(kLogInfo,
        "HttpDownloadEnd\xEF\xBC\x9A"
        "Failed");
  if (taskbar_) taskbar_->SetState(SkinUI::kTbpfError);
  const std::wstring text =
      language_.GetText(L"STR_NETWORK_ERROR") + L"\n\n" + language_.GetText(L"STR_OPERATE_TIP");
  switch (AskUser(text, SkinUI::kMbAbortRetryIgnore | SkinUI::kMbIconWarning)) {
    case SkinUI::kIdAbort:
      PostMessage(SkinUI::kWmClose, kCloseWithoutQuestion, 0);
      break;
    case SkinUI::kIdRetry:
      CleanUpInstallFiles();
      StopDownload();
      // The partial and resume files stay: the engine goes on where it stopped.
      if (!RestartDownload()) DownloadFailed();
      break;
    case SkinUI::kIdIgnore:
      system_->ShellOpen(this, download_url_);
      CleanUpInstallFiles();
      SetProgress(0);
      UpdateWindowSate(kWindow_Init);
      break;
    default:
      break;
  }
}

void CMainFrameWnd::CleanUpInstallFiles() {
  KillSilentInstallProcess();
  DeleteFileIfThere(InstallerPath());
  DeleteFileIfThere(progress_file_);
}

void CMainFrameWnd::KillSilentInstallProcess() {
  platform::ProcessId id = 0;
  if (system_->FindProcess(kInstallStageImageName, id)) {
    KLOGA(kLogInfo, "KillSilentInstallProcess");
    system_->KillProcess(id);
  }
}
