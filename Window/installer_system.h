// IInstallerSystem is everything the installer window asks of the world outside it: message
// boxes and the folder picker, the side requests, the download driver, disk space, processes,
// the browser, analytics and banners. CInstallerSystem is the real one; the tests and the demo
// pilot replace single operations (a scripted answer to a box, a download that fails on cue).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/process.h"

class CBannerContent;
class LanguageManager;

namespace SkinUI {
class CNativeWindow;
}

/// One download as the window asks for it (the driver's DownloadRequest).
struct DownloadJob {
  std::int32_t connections = 8;
  void* context = nullptr;  // handed back with every event
  std::wstring url;
  std::wstring save_path;
};

/// The driver's events: 0 start, 3 percentage in value1, 4 result code in value1.
using DownloadEventCallback = void (*)(std::int32_t event, std::int32_t value1, std::int32_t value2,
                                       void* context);

/// The driver's result codes as the window reads them.
enum : std::int32_t {
  kResultComplete = 0,
  kResultClosing = -1,
  kResultIncomplete = -2,
  kResultFailed = -3,
  kResultDownloadFailed = -4,
  kResultCancelled = -5,
};

/// The events the window reports to analytics.
enum class AnalyticsEvent { kStartInstall, kDownloaderInstalled, kInstalledSucceed };

class IInstallerSystem {
 public:
  virtual ~IInstallerSystem() = default;

  // Start-up.
  /// Prepares the work folder once per process (log, language pack, language tables) and
  /// stores it in `work_folder`; later calls do nothing.
  virtual void InitWorkFolder(std::wstring& work_folder, LanguageManager& language) = 0;
  virtual std::wstring GetDefaultInstallRoot() = 0;

  // Dialogs, answered on the UI thread.
  virtual int MessageBox(SkinUI::CNativeWindow* owner, const std::wstring& text,
                         const std::wstring& title, unsigned type) = 0;
  virtual std::optional<std::wstring> PickFolder(SkinUI::CNativeWindow* owner,
                                                 const std::wstring& title) = 0;
  virtual bool ShellOpen(SkinUI::CNativeWindow* owner, const std::wstring& target) = 0;

  // Side requests and the volume, on the install-request worker.
  virtual bool GetRedirectUrl(const std::wstring& host, const std::wstring& path,
                              std::wstring& url) = 0;
  virtual int GetHttpFileSize(const std::wstring& url) = 0;
  virtual bool GetDiskFreeMB(const std::wstring& volume, std::uint32_t& megabytes) = 0;
  /// The body of a small text at `url` fetched over verified TLS; nothing on any failure.
  virtual std::optional<std::string> FetchSmallText(const std::wstring& url) = 0;

  // The download driver.
  virtual bool RunHttpDownload(const DownloadJob& job, DownloadEventCallback callback) = 0;
  virtual void StopHttpDownload() = 0;
  virtual bool JudgeDeleteHistoryFile(const std::wstring& url, std::int32_t size,
                                      const std::wstring& save_path) = 0;

  // Processes.
  virtual bool FindProcess(const std::wstring& image_name, platform::ProcessId& id) = 0;
  virtual bool KillProcess(platform::ProcessId id) = 0;
  /// Runs the product installer silently and returns when it has ended.
  virtual void RunSilentInstaller(const std::wstring& installer, const std::wstring& install_root,
                                  const std::wstring& progress_file) = 0;
  virtual void RunProgram(const std::wstring& program, bool elevated) = 0;

  // Analytics and banners, on workers.
  virtual void InitAnalytics(const std::wstring& collect_url, const std::wstring& title) = 0;
  virtual bool SendAnalytics(AnalyticsEvent event) = 0;
  virtual void FetchBanners(CBannerContent& banners) = 0;
};

/// The real world.
class CInstallerSystem : public IInstallerSystem {
 public:
  void InitWorkFolder(std::wstring& work_folder, LanguageManager& language) override;
  std::wstring GetDefaultInstallRoot() override;
  int MessageBox(SkinUI::CNativeWindow* owner, const std::wstring& text, const std::wstring& title,
                 unsigned type) override;
  std::optional<std::wstring> PickFolder(SkinUI::CNativeWindow* owner,
                                         const std::wstring& title) override;
  bool ShellOpen(SkinUI::CNativeWindow* owner, const std::wstring& target) override;
  bool GetRedirectUrl(const std::wstring& host, const std::wstring& path,
                      std::wstring& url) override;
  int GetHttpFileSize(const std::wstring& url) override;
  bool GetDiskFreeMB(const std::wstring& volume, std::uint32_t& megabytes) override;
  std::optional<std::string> FetchSmallText(const std::wstring& url) override;
  bool RunHttpDownload(const DownloadJob& job, DownloadEventCallback callback) override;
  void StopHttpDownload() override;
  bool JudgeDeleteHistoryFile(const std::wstring& url, std::int32_t size,
                              const std::wstring& save_path) override;
  bool FindProcess(const std::wstring& image_name, platform::ProcessId& id) override;
  bool KillProcess(platform::ProcessId id) override;
  void RunSilentInstaller(const std::wstring& installer, const std::wstring& install_root,
                          const std::wstring& progress_file) override;
  void RunProgram(const std::wstring& program, bool elevated) override;
  void InitAnalytics(const std::wstring& collect_url, const std::wstring& title) override;
  bool SendAnalytics(AnalyticsEvent event) override;
  void FetchBanners(CBannerContent& banners) override;
};
