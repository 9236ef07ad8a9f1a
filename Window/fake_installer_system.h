// A scripted outside world for the window tests: boxes answered from a list, a download driver
// the test drives event by event, an installer that runs until released.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Window/installer_system.h"

class FakeInstallerSystem : public IInstallerSystem {
 public:
  /// Work folder below `folder`; language by its decimal id ("1033", "1025").
  FakeInstallerSystem(std::wstring folder, std::wstring language_id);

  // What the test sets up (before the window runs).
  std::wstring install_root;
  int file_size = 5 << 20;
  bool free_space_known = true;
  std::uint32_t free_mb = 100000;
  std::map<std::wstring, platform::ProcessId> processes;  // image name → id
  std::optional<std::string> digest_text;                 // what the digest address serves
  std::function<void()> while_box_open;                   // runs once, inside the next box
  std::deque<int> box_answers;  // answers to the next boxes; empty: the first button
  std::optional<std::wstring> picked_folder;
  /// Replaces the language's UrlInfo.ini (English) when set.
  std::optional<std::wstring> url_info;

  // What the window did (read on the UI thread, or after Eventually for worker-side values).
  std::vector<std::wstring> box_texts;
  std::vector<unsigned> box_types;
  std::vector<std::wstring> opened;
  std::vector<std::wstring> started_programs;
  std::vector<platform::ProcessId> killed;
  std::vector<std::wstring> digest_urls;

  /// A stopped download's driver returns only after ReleaseStoppedDownload, as a real one takes
  /// its time to let go of its job.
  bool hold_stopped_download = false;

  // The download driver.
  int DownloadRuns();
  /// The most downloads that ran at the same time.
  int MostDownloadsAtOnce();
  void ReleaseStoppedDownload();
  int StopCalls();
  DownloadJob LastJob();
  /// Reports `percent` for the running download.
  void EmitProgress(std::int32_t percent);
  /// Ends the running download with `result` (the driver returns).
  void EndDownload(std::int32_t result);

  // The installer.
  bool InstallerRunning();
  std::wstring InstallerArguments();
  void FinishInstaller();

  std::vector<AnalyticsEvent> SentEvents();

  void InitWorkFolder(std::wstring& work_folder, LanguageManager& language) override;
  std::wstring GetDefaultInstallRoot() override { return install_root; }
  int MessageBox(SkinUI::CNativeWindow* owner, const std::wstring& text, const std::wstring& title,
                 unsigned type) override;
  std::optional<std::wstring> PickFolder(SkinUI::CNativeWindow* owner,
                                         const std::wstring& title) override {
    return picked_folder;
  }
  bool ShellOpen(SkinUI::CNativeWindow* owner, const std::wstring& target) override {
    opened.push_back(target);
    return true;
  }
  bool GetRedirectUrl(const std::wstring& host, const std::wstring& path,
                      std::wstring& url) override {
    return false;
  }
  int GetHttpFileSize(const std::wstring& url) override { return file_size; }
  bool GetDiskFreeMB(const std::wstring& volume, std::uint32_t& megabytes) override;
  std::optional<std::string> FetchSmallText(const std::wstring& url) override;
  bool RunHttpDownload(const DownloadJob& job, DownloadEventCallback callback) override;
  void StopHttpDownload() override;
  bool JudgeDeleteHistoryFile(const std::wstring& url, std::int32_t size,
                              const std::wstring& save_path) override {
    return false;
  }
  bool FindProcess(const std::wstring& image_name, platform::ProcessId& id) override;
  bool KillProcess(platform::ProcessId id) override;
  void RunSilentInstaller(const std::wstring& installer, const std::wstring& install_root,
                          const std::wstring& progress_file) override;
  void RunProgram(const std::wstring& program, bool elevated) override {
    started_programs.push_back(program);
  }
  void InitAnalytics(const std::wstring& collect_url, const std::wstring& title) override {}
  bool SendAnalytics(AnalyticsEvent event) override;
  void FetchBanners(CBannerContent& banners) override;

 private:
  std::wstring folder_;
  std::wstring language_id_;
  std::mutex lock_;  // guards everything below
  std::condition_variable changed_;
  int runs_ = 0;
  int running_ = 0;
  int most_running_ = 0;
  bool stopped_released_ = false;
  int stops_ = 0;
  DownloadJob job_;
  DownloadEventCallback callback_ = nullptr;
  std::optional<std::int32_t> end_result_;
  bool installer_running_ = false;
  bool installer_released_ = false;
  std::wstring installer_arguments_;
  std::vector<AnalyticsEvent> events_;
};
