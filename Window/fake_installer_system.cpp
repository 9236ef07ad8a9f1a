#include "Window/fake_installer_system.h"

#include <algorithm>
#include <filesystem>

#include "common/banner_content.h"
#include "common/language_manager.h"
#include "common/work_folder.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

FakeInstallerSystem::FakeInstallerSystem(std::wstring folder, std::wstring language_id)
    : folder_(std::move(folder)), language_id_(std::move(language_id)) {}

void FakeInstallerSystem::InitWorkFolder(std::wstring& work_folder, LanguageManager& language) {
  work_folder = folder_ + L"/work/";
  std::filesystem::create_directories(std::filesystem::path(work_folder + L"Log"));
  InitLog(L"kelvane_down.log", (work_folder + L"Log").c_str());
  const std::wstring language_folder = work_folder + L"language/";
  LoadResZipFile(language_folder);
  if (url_info) {
    const std::string bytes = kvtest::Utf16LeWithBom(*url_info);
    platform::WriteWholeFile(language_folder + L"English/UrlInfo.ini", bytes.data(), bytes.size());
  }
  language.InitForLanguageId(language_folder, language_id_);
}

int FakeInstallerSystem::MessageBox(SkinUI::CNativeWindow* owner, const std::wstring& text,
                                    const std::wstring& title, unsigned type) {
  box_texts.push_back(text);
  box_types.push_back(type);
  if (while_box_open) {
    auto during = std::move(while_box_open);
    while_box_open = nullptr;
    during();
  }
  if (box_answers.empty()) {
    switch (type & 0xF) {
      case 0x2:
        return 3;  // Abort
      case 0x4:
        return 6;  // Yes
      default:
        return 1;  // OK
    }
  }
  const int answer = box_answers.front();
  box_answers.pop_front();
  return answer;
}

bool FakeInstallerSystem::GetDiskFreeMB(const std::wstring& volume, std::uint32_t& megabytes) {
  if (!free_space_known) return false;
  megabytes = free_mb;
  return true;
}

std::optional<std::string> FakeInstallerSystem::FetchSmallText(const std::wstring& url) {
  std::lock_guard<std::mutex> hold(lock_);
  digest_urls.push_back(url);
  return digest_text;
}

bool FakeInstallerSystem::RunHttpDownload(const DownloadJob& job, DownloadEventCallback callback) {
  std::unique_lock<std::mutex> hold(lock_);
  ++runs_;
  ++running_;
  most_running_ = std::max(most_running_, running_);
  const int run = runs_;
  job_ = job;
  callback_ = callback;
  end_result_.reset();
  changed_.notify_all();
  // Blocks like the real driver until this download ends (or a newer one replaces it).
  changed_.wait(hold, [&] { return end_result_.has_value() || runs_ != run; });
  if (runs_ != run) {
    --running_;
    return false;
  }
  const std::int32_t result = *end_result_;
  if (result == -5 && hold_stopped_download) {
    changed_.wait(hold, [&] { return stopped_released_; });
  }
  --running_;
  hold.unlock();
  callback(4, result, 0, job.context);
  return result == 0;
}

void FakeInstallerSystem::StopHttpDownload() {
  std::lock_guard<std::mutex> hold(lock_);
  ++stops_;
  if (callback_ && !end_result_) end_result_ = -5;
  changed_.notify_all();
}

int FakeInstallerSystem::DownloadRuns() {
  std::lock_guard<std::mutex> hold(lock_);
  return runs_;
}

int FakeInstallerSystem::MostDownloadsAtOnce() {
  std::lock_guard<std::mutex> hold(lock_);
  return most_running_;
}

void FakeInstallerSystem::ReleaseStoppedDownload() {
  std::lock_guard<std::mutex> hold(lock_);
  stopped_released_ = true;
  changed_.notify_all();
}

int FakeInstallerSystem::StopCalls() {
  std::lock_guard<std::mutex> hold(lock_);
  return stops_;
}

DownloadJob FakeInstallerSystem::LastJob() {
  std::lock_guard<std::mutex> hold(lock_);
  return job_;
}

void FakeInstallerSystem::EmitProgress(std::int32_t percent) {
  DownloadEventCallback callback;
  void* context;
  {
    std::lock_guard<std::mutex> hold(lock_);
    callback = callback_;
    context = job_.context;
  }
  if (callback) callback(3, percent, 1, context);
}

void FakeInstallerSystem::EndDownload(std::int32_t result) {
  std::lock_guard<std::mutex> hold(lock_);
  end_result_ = result;
  changed_.notify_all();
}

bool FakeInstallerSystem::FindProcess(const std::wstring& image_name, platform::ProcessId& id) {
  std::lock_guard<std::mutex> hold(lock_);
  const auto found = processes.find(image_name);
  if (found == processes.end()) return false;
  id = found->second;
  return true;
}

bool FakeInstallerSystem::KillProcess(platform::ProcessId id) {
  std::lock_guard<std::mutex> hold(lock_);
  killed.push_back(id);
  for (auto it = processes.begin(); it != processes.end(); ++it) {
    if (it->second == id) {
      processes.erase(it);
      break;
    }
  }
  if (!installer_released_ && installer_running_) {
    installer_released_ = true;  // killing the stage ends the installer
    changed_.notify_all();
  }
  return true;
}

void FakeInstallerSystem::RunSilentInstaller(const std::wstring& installer,
                                             const std::wstring& install_root,
                                             const std::wstring& progress_file) {
  std::unique_lock<std::mutex> hold(lock_);
  installer_running_ = true;
  installer_released_ = false;
  installer_arguments_ = installer + L" " + install_root + L" " + progress_file;
  processes[L"kelvane-download.tmp"] = 4242;
  changed_.notify_all();
  changed_.wait(hold, [&] { return installer_released_; });
  installer_running_ = false;
  processes.erase(L"kelvane-download.tmp");
}

bool FakeInstallerSystem::InstallerRunning() {
  std::lock_guard<std::mutex> hold(lock_);
  return installer_running_;
}

std::wstring FakeInstallerSystem::InstallerArguments() {
  std::lock_guard<std::mutex> hold(lock_);
  return installer_arguments_;
}

void FakeInstallerSystem::FinishInstaller() {
  std::lock_guard<std::mutex> hold(lock_);
  installer_released_ = true;
  changed_.notify_all();
}

bool FakeInstallerSystem::SendAnalytics(AnalyticsEvent event) {
  std::lock_guard<std::mutex> hold(lock_);
  events_.push_back(event);
  return true;
}

std::vector<AnalyticsEvent> FakeInstallerSystem::SentEvents() {
  std::lock_guard<std::mutex> hold(lock_);
  return events_;
}

void FakeInstallerSystem::FetchBanners(CBannerContent& banners) {
  banners.banner_count = 0;
  banners.images_ready = true;
}
