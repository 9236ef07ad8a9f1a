// CMainFrameWnd is the installer's window and the controller of the whole installation: the
// home page, the download and install page and the finish page, the timers, the progress on the
// bar, the label and the task bar button, and the flows from Install to Start Now. Everything
// here runs on the UI thread; workers hand their results over through the UI task queue.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Window/installer_system.h"
#include "Window/ui_task_queue.h"
#include "common/banner_content.h"
#include "common/language_manager.h"
#include "skinui/taskbar_progress.h"
#include "skinui/window_base.h"

namespace SkinUI {
class CCheckBox;
class CEdit;
class CProgress;
}  // namespace SkinUI

/// The window states; switched only by UpdateWindowSate.
enum WindowState : int {
  kWindow_Init = 0,
  kWindow_Downloading = 1,
  kWindow_Installing = 2,
  kWindow_Finish = 3,
};

/// Restores and raises the window; another copy of the setup asks for it from any thread.
inline constexpr SkinUI::MessageId kWmRaiseWindow = SkinUI::kWmUser + 0x101;

/// WM_CLOSE's wParam when the program itself closes the window: no question is asked.
inline constexpr SkinUI::WParam kCloseWithoutQuestion = 1000;

/// The timers of the window.
enum : SkinUI::WParam {
  kTimerCarousel = 11,         // next banner, every 6000 ms
  kTimerInstallProgress = 12,  // reads the progress file, every ReadFileTimeout
  kTimerWaitPictures = 13,     // waits for the carousel pictures, every 1000 ms
};

inline constexpr unsigned kCarouselPeriodMs = 6000;
inline constexpr unsigned kWaitPicturesPeriodMs = 1000;

/// The file names in the work folder.
inline constexpr const wchar_t* kInstallerFileName = L"kelvane-download.exe";
inline constexpr const wchar_t* kProgressFileName = L"temp.progress";
/// The image name of the product installer's installing stage.
inline constexpr const wchar_t* kInstallStageImageName = L"kelvane-download.tmp";

/// The overall percentage a progress-file text stands for: the download's share plus the
/// installer's share of the rest; the text is read like the C runtime's atoi.
int InstallProgressPercent(const char* text, int download_ratio);

class CMainFrameWnd : public SkinUI::SkinWindowBase, public IBannerView {
 public:
  explicit CMainFrameWnd(std::shared_ptr<IInstallerSystem> system);
  ~CMainFrameWnd() override;

  // The window's make-up.
  std::wstring GetWindowClassName() const override { return L"SkinMainFrame"; }
  void InitWindow() override;
  void OnClick(SkinUI::TNotify& msg) override;
  std::wstring GetSkinFolder() override { return L""; }
  std::wstring GetSkinFile() override;
  SkinUI::SkinResourceKind GetResourceType() const override {
    return SkinUI::SkinResourceKind::kZipResource;
  }
  int GetResourceID() const override { return 104; }
  SkinUI::LResult OnClose(SkinUI::MessageId msg, SkinUI::WParam wparam, SkinUI::LParam lparam,
                          bool& handled) override;
  SkinUI::LResult OnDestroy(SkinUI::MessageId msg, SkinUI::WParam wparam, SkinUI::LParam lparam,
                            bool& handled) override;
  SkinUI::LResult HandleCustomMessage(SkinUI::MessageId msg, SkinUI::WParam wparam,
                                      SkinUI::LParam lparam, bool& handled) override;
  void Notify(SkinUI::TNotify& msg) override;

  /// Prepares the work folder, log and language once (the entry point calls it first).
  void InitWorkFolder();

  // Start-up and the window (home, pages, progress).
  void InitData();
  void InitControlTexts();
  void UpdateWindowSate(int state);
  void SetProgress(int percent);
  void ShowPathTip(const std::wstring& text);
  void BrowseInstallPath();
  void ToggleCustomArea();
  void UpdateInstallButton();
  std::wstring GetWindowTitle() const;
  void InitTaskbarProgress();
  void InitAnalytics();

  // The install request and the download.
  void OnClickInstall();
  bool StartDownload(const std::wstring& url, const std::wstring& save_path);
  /// The driver's events, on the download worker; `context` is the worker's own record.
  static void DownloadCallback(std::int32_t event, std::int32_t value1, std::int32_t value2,
                               void* context);

  // The download's outcome.
  void DownloadSuccess();
  void DownloadFailed();
  void CleanUpInstallFiles();
  void KillSilentInstallProcess();

  // The silent installation.
  void StartInstallExe();
  void StartProgressPolling();
  void ReadInstallProgress();
  void InstallExeFinish();

  // The end.
  void StartNow();

  // IBannerView.
  IBannerPicture* FindPicture(const std::wstring& name) override;
  void SelectDot(const std::wstring& name) override;

  /// The queue that runs tasks on the UI thread while the window lives; the demo pilot drives
  /// the window through it from its own thread.
  std::shared_ptr<CUiTaskQueue> UiQueue() const { return ui_; }

  // What the tests and the demo pilot look at.
  int GetWindowState() const { return window_state_; }
  const std::wstring& GetWorkFolderPath() const { return work_folder_; }
  const std::wstring& GetInstallRoot() const { return install_root_; }
  const std::wstring& GetDownloadUrlField() const { return download_url_; }
  const LanguageManager& GetLanguage() const { return language_; }
  SkinUI::CTaskbarProgress* GetTaskbar() const { return taskbar_.get(); }
  std::wstring InstallerPath() const { return work_folder_ + kInstallerFileName; }
  const std::wstring& ProgressFilePath() const { return progress_file_; }

 protected:
  void DeclareMessageMap() override;

 private:
  class CBannerPicture;

  // Steps handed back from the workers.
  void OnInstallRequestChecked(std::int32_t size_mb, bool space_ok,
                               const std::wstring& download_url);
  /// Stops the running download; its late events are dropped.
  void StopDownload();
  /// Starts the download of the download URL again, once the stopped one's worker has
  /// returned. False when there is nothing to download.
  bool RestartDownload();
  void OnDownloadWorkerEnded();
  void OnDownloadEvent(std::int32_t event, std::int32_t value);
  void VerifyDownloadedInstaller();
  void OnInstallerVerified(bool usable);
  void OnCarouselTick();
  void OnWaitPicturesTick();
  void OnBannerDotClicked(SkinUI::CControl* dot);
  int MessageBoxTypeFlags() const;
  int AskUser(const std::wstring& text, unsigned type);
  void StartAnalyticsTask(AnalyticsEvent event);
  SkinUI::CControl* Find(const wchar_t* name) { return FindControl(name); }

  std::shared_ptr<IInstallerSystem> system_;
  std::shared_ptr<CUiTaskQueue> ui_;

  std::wstring work_folder_;
  std::wstring install_root_;
  std::wstring download_url_;
  std::wstring progress_file_;
  int window_state_ = -1;
  SkinUI::CEdit* path_field_ = nullptr;
  SkinUI::CControl* tip_label_ = nullptr;
  SkinUI::CCheckBox* fold_checkbox_ = nullptr;
  SkinUI::CControl* progress_label_ = nullptr;
  SkinUI::CProgress* progress_bar_ = nullptr;
  std::unique_ptr<SkinUI::CTaskbarProgress> taskbar_;
  LanguageManager language_;
  int download_ratio_ = 80;
  int read_file_timeout_ = 1500;
  // The carousel: banner index, count and the images-ready flag live in the banner content,
  // which the banner worker shares.
  std::shared_ptr<const LanguageManager> banner_language_;
  std::shared_ptr<CBannerContent> banners_;
  std::unique_ptr<CBannerPicture> banner_picture_;
  bool work_folder_ready_ = false;
  unsigned download_generation_ = 0;  // the download whose events count
  bool download_active_ = false;      // a download was started and has not ended
  int download_workers_ = 0;          // download workers not yet returned from the driver
  bool restart_pending_ = false;      // RestartDownload waits for them
};
