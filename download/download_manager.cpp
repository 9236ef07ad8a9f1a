#include "download/download_manager.h"

#include <atomic>
#include <boost/asio/io_context.hpp>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "khttp/parsed_url.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/system_proxy.h"
#include "platform/text.h"

namespace {

// A download whose server's file changes under it begins anew at most this many times in one
// run; a server that keeps changing it (or answers ranges with whole files) fails the job.
constexpr int kMaxRestarts = 2;

struct handle_tag {
  char unused = 0;
};

class DownloadObj {
 public:
  DownloadObj(DownloadHandle handle, std::string url, std::wstring save_path,
              khttp::download_settings settings)
      : handle_(handle),
        url_(std::move(url)),
        save_path_(std::move(save_path)),
        settings_(std::move(settings)),
        downloader_(std::make_shared<khttp::multi_download>(io_)) {}

  /// The body of the job thread.
  void Run();
  void Stop();
  void Query(DownloadStatus& status) const;

  std::atomic<std::int32_t> state{kJobPending};
  std::atomic<bool> running{false};
  std::atomic<bool> stop_requested{false};

 private:
  void Drain();
  bool RunOnce();
  void Settle();
  void SetError(const std::string& text) {
    std::lock_guard<std::mutex> lock(error_lock_);
    error_ = text;
  }

  DownloadHandle handle_;
  std::string url_;
  std::wstring save_path_;
  khttp::download_settings settings_;
  boost::asio::io_context io_{1};
  std::shared_ptr<khttp::multi_download> downloader_;
  std::mutex job_lock_;
  mutable std::mutex error_lock_;
  std::string error_;
};

void DownloadObj::Drain() {
  // Handlers left from an earlier run (a stop posted after its end, closed connections).
  io_.restart();
  try {
    io_.poll();
  } catch (const std::exception& e) {
    KLOGA(kLogInfo, "left-over handler raised: %s", e.what());
  }
  io_.restart();
}

// One start and io loop. True when it ended for a reason other than a changed file.
bool DownloadObj::RunOnce() {
  state = kJobPending;
  try {
    downloader_->start(url_, settings_);
    state = kJobDownloading;
    io_.run();
  } catch (const std::exception& e) {
    io_.stop();
    io_.restart();
    downloader_->stop();
    Drain();
    downloader_->close_files();
    SetError(e.what());
    KLOGA(kLogInfo, "download of %s failed: %s", url_.c_str(), e.what());
    state = kJobFailed;
    return true;
  }
  return !downloader_->needs_restart() || stop_requested;
}

void DownloadObj::Run() {
  std::lock_guard<std::mutex> lock(job_lock_);
  running = true;
  SetError("");
  Drain();
  bool settled = false;
  for (int attempt = 0; attempt <= kMaxRestarts; ++attempt) {
    if (RunOnce()) {
      settled = true;
      break;
    }
    KLOGA(kLogInfo, "the file of %s changed on the server; the download begins anew", url_.c_str());
    platform::DeleteFileIfExists(downloader_->file_path_of());
    platform::DeleteFileIfExists(downloader_->meta_path());
    Drain();
  }
  if (!settled) {
    SetError("the file keeps changing on the server");
    state = kJobFailed;
  } else if (state != kJobFailed) {
    Settle();
  }
  running = false;
}

void DownloadObj::Settle() {
  const std::string failure = downloader_->failure_text();
  if (!failure.empty()) {
    // A failed write and the like: the job failed, however many bytes arrived.
    SetError(failure);
    KLOGA(kLogInfo, "download of %s failed: %s", url_.c_str(), failure.c_str());
    state = kJobFailed;
    return;
  }
  const std::int64_t total = downloader_->total_size();
  if (total < 0 || downloader_->downloaded_bytes() != total) {
    SetError(total < 0 ? "the server never told the file's size" : "the download is incomplete");
    state = kJobIncomplete;
    return;
  }
  const std::error_code moved =
      platform::MoveFileReplacing(downloader_->file_path_of(), save_path_);
  if (moved) {
    SetError("cannot move the download to its place: " + moved.message());
    KLOGA(kLogInfo, "cannot move %s to %s: %s",
          platform::WideToNarrow(downloader_->file_path_of()).c_str(),
          platform::WideToNarrow(save_path_).c_str(), moved.message().c_str());
    state = kJobFailed;
    return;
  }
  platform::DeleteFileIfExists(downloader_->meta_path());
  state = kJobCompleted;
}

void DownloadObj::Stop() {
  std::int32_t expected = kJobDownloading;
  if (!state.compare_exchange_strong(expected, kJobStopping)) return;
  stop_requested = true;
  // The job thread settles the state (2, or 4 when the last bytes were in) once the downloader
  // has closed its connections and saved the resume file: until then the job reads 6.
  downloader_->stop();
}

void DownloadObj::Query(DownloadStatus& status) const {
  status.state = state;
  status.path = status.state == kJobCompleted ? save_path_ : settings_.file_path;
  status.total = downloader_->total_size();
  status.downloaded = downloader_->downloaded_bytes();
  status.progress = static_cast<float>(static_cast<double>(status.downloaded) /
                                       static_cast<double>(status.total));
  status.rate = downloader_->rate();
  status.connections = downloader_->live_connections();
  std::lock_guard<std::mutex> lock(error_lock_);
  status.error = (status.state == kJobFailed || status.state == kJobIncomplete) ? error_ : "";
}

class DownloadManager {
 public:
  static DownloadManager& Get() {
    static DownloadManager* manager = new DownloadManager();  // never destroyed: jobs outlive
    created().store(true);
    return *manager;
  }
  static std::atomic<bool>& created() {
    static std::atomic<bool> flag{false};
    return flag;
  }

  DownloadHandle Create(const std::string& url, const std::wstring& save_path,
                        khttp::download_settings settings) {
    std::shared_ptr<DownloadObj> job;
    DownloadHandle handle = nullptr;
    {
      // Keyed by the whole URL: two URLs never share a job or a file.
      std::lock_guard<std::mutex> lock(keys_lock_);
      auto found = keys_.find(url);
      if (found != keys_.end()) return found->second;
      handle = new handle_tag();
      keys_[url] = handle;
    }
    if (settings.file_path.empty()) settings.file_path = save_path + L".tmp";
    if (settings.meta_path.empty()) settings.meta_path = save_path + L".cfg";
    job = std::make_shared<DownloadObj>(handle, url, save_path, std::move(settings));
    std::lock_guard<std::mutex> lock(jobs_lock_);
    jobs_[handle] = job;
    return handle;
  }

  std::shared_ptr<DownloadObj> Find(DownloadHandle handle) {
    std::lock_guard<std::mutex> lock(jobs_lock_);
    auto found = jobs_.find(handle);
    return found == jobs_.end() ? nullptr : found->second;
  }

 private:
  std::mutex jobs_lock_;
  std::unordered_map<DownloadHandle, std::shared_ptr<DownloadObj>> jobs_;
  std::mutex keys_lock_;
  std::unordered_map<std::string, DownloadHandle> keys_;
};

}  // namespace

DownloadHandle DownloadCreate(const std::string& url, const std::wstring& save_path,
                              std::int32_t connections, std::int32_t timeout) {
  khttp::download_settings settings;
  settings.rate_limit = -1;
  settings.max_connections = connections;
  settings.timeout_seconds = timeout;
  settings.pieces_per_request = 8;
  settings.use_stored_url = false;
  // The installer runs what it downloads with administrator rights: certificates are checked.
  settings.verify_certificate = true;
  // Through the proxy the system names for the address, as the side requests go: behind a
  // corporate proxy a direct download would fail where the size query succeeded.
  boost::system::error_code ec;
  const khttp::ParsedUrl parsed = khttp::ParsedUrl::FromString(url, ec);
  if (!ec) settings.proxy = platform::SystemProxyFor(parsed.Protocol(), parsed.Host());
  return DownloadCreateWithSettings(url, save_path, settings);
}

DownloadHandle DownloadCreateWithSettings(const std::string& url, const std::wstring& save_path,
                                          const khttp::download_settings& settings) {
  return DownloadManager::Get().Create(url, save_path, settings);
}

bool DownloadStart(DownloadHandle handle) {
  auto job = DownloadManager::Get().Find(handle);
  if (!job) return false;
  bool expected = false;
  if (!job->running.compare_exchange_strong(expected, true)) return false;
  job->state = kJobPending;
  job->stop_requested = false;
  std::thread([job] { job->Run(); }).detach();
  return true;
}

bool DownloadQuery(DownloadHandle handle, DownloadStatus* status) {
  if (!DownloadManager::created() || !status) return false;
  auto job = DownloadManager::Get().Find(handle);
  if (!job) return false;
  job->Query(*status);
  return true;
}

bool DownloadStop(DownloadHandle handle) {
  if (!DownloadManager::created()) return false;
  if (!handle) return true;
  auto job = DownloadManager::Get().Find(handle);
  if (job) job->Stop();
  return true;
}
