// From a click on Install to a running download: the path is tested, the workers start, the
// size and the free space are checked, and the driver's events come back to the window.
#include <thread>

#include "Window/install_paths.h"
#include "Window/main_frame.h"
#include "common/product_urls.h"
#include "common/system_utils.h"
#include "log/log.h"
#include "platform/format.h"
#include "skinui/edit.h"
#include "skinui/message_box.h"

namespace {

constexpr std::int32_t kDownloadConnections = 8;
constexpr std::uint32_t kSpaceFactor = 3;  // the installer, its unpacked files and headroom

// The download worker's record: what DownloadCallback needs to reach the window.
struct DownloadContext {
  std::shared_ptr<CUiTaskQueue> ui;
  CMainFrameWnd* frame;
  unsigned generation;
};

}  // namespace

void CMainFrameWnd::OnClickInstall() {
  KLOGA(kLogInfo, "OnClickInstall");
  ShowPathTip(L"");
  install_root_ = InstallRootFromPathField(path_field_ ? path_field_->GetText() : install_root_);
  KLOGW(kLogInfo, L"sel path:%ls", install_root_.c_str());
  bool exists = false;
  if (!IsInstallPathUsable(install_root_, exists)) {
    ShowPathTip(language_.GetText(L"STR_PATH_INVALID"));
    return;
  }
  KLOGA(kLogInfo, "sel path end");

  std::thread([system = system_, banners = banners_] { system->FetchBanners(*banners); }).detach();

  // The install-request worker: redirect, size and free space; the rest comes back to the UI.
  std::thread([system = system_, ui = ui_, frame = this, url_ex = language_.GetDownloadUrlEx(),
               url = download_url_, root = install_root_, save_path = InstallerPath()] {
    std::wstring download_url = url;
    if (!url_ex.empty()) {
      std::wstring host;
      std::wstring path;
      SplitUrl(url_ex, host, path);
      std::wstring target = url_ex;
      if (system->GetRedirectUrl(host, path, target)) {
        download_url = target;
        KLOGW(kLogInfo, L"get redirect Url:%ls", download_url.c_str());
      }
    }
    KLOGA(kLogInfo, "get file size begin");
    const int size = system->GetHttpFileSize(download_url);
    KLOGA(kLogInfo, "get file size end");
    std::uint32_t free_mb = 0;
    KLOGA(kLogInfo, "get disk size begin");
    const bool free_known = system->GetDiskFreeMB(VolumeOfInstallRoot(root), free_mb);
    KLOGA(kLogInfo, "get disk size end");
    const std::int32_t size_mb = size >> 20;
    if (!free_known) {
      // Not knowing the free space is no reason to stop: go on as after a failed size query.
      KLOGA(kLogInfo,
            "OnClickInstall\xEF\xBC\x9A"
            "GetFreeSize Failed");
    } else if (free_mb < kSpaceFactor * static_cast<std::uint32_t>(size_mb)) {
      KLOGA(kLogInfo,
            "OnClickInstall\xEF\xBC\x9A"
            "filesize:%dMB--FreeSize:%dMB",
            size_mb, static_cast<int>(free_mb));
      ui->Post([frame, size_mb] { frame->OnInstallRequestChecked(size_mb, false, L""); });
      return;
    }
    if (!download_url.empty()) system->JudgeDeleteHistoryFile(download_url, size, save_path);
    ui->Post([frame, size_mb, download_url] {
      frame->OnInstallRequestChecked(size_mb, true, download_url);
    });
  }).detach();

  KLOGA(kLogInfo, "send ga begin");
  StartAnalyticsTask(AnalyticsEvent::kStartInstall);
  KLOGA(kLogInfo, "send ga end");
  KLOGA(kLogInfo, "change page downloading begin");
  UpdateWindowSate(kWindow_Downloading);
  KLOGA(kLogInfo, "change page downloading end");
  SetTimer(kTimerWaitPictures, kWaitPicturesPeriodMs);
}

void CMainFrameWnd::OnInstallRequestChecked(std::int32_t size_mb, bool space_ok,
                                            const std::wstring& download_url) {
  if (window_state_ != kWindow_Downloading) return;
  if (!space_ok) {
    std::wstring unit = language_.GetText(L"STR_MB");
    if (unit.empty()) unit = L"MB";
    const std::wstring message = language_.GetText(L"STR_STORAGE") + L" " +
                                 std::to_wstring(kSpaceFactor * size_mb) + L" " + unit;
    if (AskUser(message, SkinUI::kMbOk) == SkinUI::kIdOk) {
      SetProgress(0);
      UpdateWindowSate(kWindow_Init);
    }
    return;
  }
  download_url_ = download_url;
  // An empty address cannot be downloaded: say so rather than wait at 0 % for ever.
  if (!StartDownload(download_url_, InstallerPath())) DownloadFailed();
}

bool CMainFrameWnd::StartDownload(const std::wstring& url, const std::wstring& save_path) {
  if (url.empty() || save_path.empty()) return false;
  // Events of a download that was stopped or replaced are not this download's.
  const unsigned generation = ++download_generation_;
  download_active_ = true;
  auto context = std::make_shared<DownloadContext>(DownloadContext{ui_, this, generation});
  ++download_workers_;
  std::thread([system = system_, context, url, save_path] {
    DownloadJob job;
    job.connections = kDownloadConnections;
    job.context = context.get();
    job.url = url;
    job.save_path = save_path;
    system->RunHttpDownload(job, &CMainFrameWnd::DownloadCallback);
    context->ui->Post([frame = context->frame] { frame->OnDownloadWorkerEnded(); });
  }).detach();
  return true;
}

bool CMainFrameWnd::RestartDownload() {
  if (download_url_.empty()) return false;
  // A stopped download lets go of its job only when its worker returns; a new one started
  // before that would find the old job still stopping and end with its result.
  if (download_workers_ > 0) {
    restart_pending_ = true;
    download_active_ = true;
    return true;
  }
  return StartDownload(download_url_, InstallerPath());
}

void CMainFrameWnd::OnDownloadWorkerEnded() {
  --download_workers_;
  if (download_workers_ > 0 || !restart_pending_) return;
  restart_pending_ = false;
  if (window_state_ == kWindow_Downloading && !StartDownload(download_url_, InstallerPath())) {
    DownloadFailed();
  }
}

void CMainFrameWnd::DownloadCallback(std::int32_t event, std::int32_t value1, std::int32_t value2,
                                     void* context) {
  auto* download = static_cast<DownloadContext*>(context);
  if (!download) return;
  download->ui->Post([frame = download->frame, generation = download->generation, event, value1] {
    if (generation == frame->download_generation_) frame->OnDownloadEvent(event, value1);
  });
}

void CMainFrameWnd::StopDownload() {
  ++download_generation_;
  system_->StopHttpDownload();
}

void CMainFrameWnd::OnDownloadEvent(std::int32_t event, std::int32_t value) {
  if (event == 3) {
    SetProgress(value * download_ratio_ / 100);
    return;
  }
  if (event != 4) return;
  download_active_ = false;
  switch (value) {
    case kResultComplete:
      VerifyDownloadedInstaller();
      break;
    case kResultIncomplete:  // the server stopped short: the user may retry, which resumes
    case kResultFailed:
    case kResultDownloadFailed:
      DownloadFailed();
      break;
    case kResultClosing:
      PostMessage(SkinUI::kWmClose, kCloseWithoutQuestion, 0);
      break;
    default:
      break;
  }
}
