#include "download/http_download.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <mutex>
#include <thread>

#include "download/download_manager.h"
#include "khttp/disk_file.h"
#include "khttp/parsed_url.h"
#include "khttp/resume_file.h"
#include "log/log.h"
#include "platform/file_system.h"
#include "platform/text.h"

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(800);
constexpr auto kCancelGrace = std::chrono::milliseconds(500);
// The connection idle timeout, in seconds, of the installer's downloads.
constexpr std::int32_t kConnectionTimeout = 20;

/// The driver object of one RunHttpDownload call. The call keeps its own reference, so a
/// replacement in the slot (a download restarted right after a stop) never frees an object
/// whose loop still runs.
class CKVDownload {
 public:
  CKVDownload(const DownloadRequest* request, DownloadCallback callback, void* user_data)
      : request_(request), callback_(callback), user_data_(user_data) {}

  std::int32_t Download();
  void Stop();

 private:
  void Notify(std::int32_t event, std::int32_t value1, std::int32_t value2) const {
    if (callback_) callback_(event, value1, value2, request_->context);
  }

  const DownloadRequest* request_;
  DownloadCallback callback_;
  void* user_data_;
  std::atomic<DownloadHandle> handle_{nullptr};
  std::atomic<DownloadHandle> cancelled_handle_{nullptr};
};

std::mutex g_slot_lock;
std::shared_ptr<CKVDownload> g_slot;

std::int32_t CKVDownload::Download() {
  LogA("CKVDownload::Download", __FILE__, __LINE__, kLogInfo, "Download....");
  const std::time_t t0 = std::time(nullptr);
  Notify(0, 0, 0);
  const std::string url = platform::WideToNarrow(request_->url);
  const std::wstring save_path = request_->save_path;

  cancelled_handle_ = nullptr;
  handle_ = DownloadCreate(url, save_path, request_->connections, kConnectionTimeout);
  DownloadStart(handle_);

  std::int32_t result = kDownloadCancelled;
  bool cancelled = handle_.load() == nullptr;
  while (!cancelled) {
    const DownloadHandle handle = handle_.load();
    if (!handle) {
      cancelled = true;
      break;
    }
    DownloadStatus status;
    DownloadQuery(handle, &status);
    std::this_thread::sleep_for(kPollInterval);
    bool ended = true;
    switch (status.state) {
      case kJobCompleted:
        result = kDownloadComplete;
        break;
      case kJobDownloading:
        Notify(3, static_cast<std::int32_t>(status.progress * 100.0f), 0);
        ended = false;
        break;
      case kJobFailed:
        result = kDownloadFailed;
        break;
      case kJobIncomplete:
        result = kDownloadIncomplete;
        break;
      default:
        ended = false;
        break;
    }
    if (handle_.load() == nullptr) {
      cancelled = true;
      break;
    }
    if (ended) break;
  }
  if (cancelled) {
    LogA("CKVDownload::Download", __FILE__, __LINE__, kLogInfo,
         "HttpDownload khttp user maybe cancel.");
    result = kDownloadCancelled;
    std::this_thread::sleep_for(kCancelGrace);
    const DownloadHandle stopped = cancelled_handle_.load();
    DownloadStatus status;
    if (stopped && DownloadQuery(stopped, &status) && status.state == kJobCompleted) {
      LogA("CKVDownload::Download", __FILE__, __LINE__, kLogInfo,
           "HttpDownload khttp cancel but almost complete.");
      result = kDownloadComplete;
    }
  }
  const auto elapsed = static_cast<std::int32_t>(std::time(nullptr) - t0);
  // The word for seconds in the log is the Chinese one, as the log readers expect it.
  LogA("CKVDownload::Download", __FILE__, __LINE__, kLogInfo,
       "HttpDownload,ret = %d (time = %d \xE7\xA7\x92)", result, elapsed);
  Notify(4, result, elapsed);
  return result;
}

void CKVDownload::Stop() {
  const DownloadHandle handle = handle_.load();
  DownloadStop(handle);
  cancelled_handle_ = handle;
  handle_ = nullptr;
}

}  // namespace

bool RunHttpDownload(const DownloadRequest* request, DownloadCallback callback, void* user_data) {
  if (!request) return false;
  auto driver = std::make_shared<CKVDownload>(request, callback, user_data);
  {
    std::lock_guard<std::mutex> lock(g_slot_lock);
    g_slot = driver;
  }
  return driver->Download() == kDownloadComplete;
}

void StopHttpDownload() {
  std::shared_ptr<CKVDownload> driver;
  {
    std::lock_guard<std::mutex> lock(g_slot_lock);
    driver = g_slot;
  }
  if (driver) driver->Stop();
}

bool RemoveTemporaryFileWrap(const std::wstring& file_name) {
  if (platform::DeleteFileIfExists(file_name + L".tmp")) return false;
  return !platform::DeleteFileIfExists(file_name + L".cfg");
}

bool ReadDownloadHistory(const std::wstring& path, std::int64_t& total, std::wstring& url) {
  if (!platform::PathExists(path)) return false;
  const auto bytes = platform::ReadWholeFile(path);
  if (!bytes) return false;
  if (bytes->empty()) return true;
  khttp::resume_meta meta;
  std::string problem;
  if (!khttp::parse_resume_meta(*bytes, meta, problem)) return false;
  boost::system::error_code ec;
  const khttp::ParsedUrl parsed = khttp::ParsedUrl::FromString(meta.final_url, ec);
  if (ec) return false;
  url = platform::NarrowToWide(parsed.ToString(khttp::kUrlAll));
  total = meta.file_size;
  return true;
}

bool JudgeDeleteHistoryFile(const std::wstring& url, std::int32_t total_bytes,
                            const std::wstring& file_name) {
  LogW(L"JudgeDeleteHistoryFile", KV_LOG_WIDEN(__FILE__), __LINE__, kLogInfo,
       L"JudgeDeleteHistoryFile strDownloadUrl=%ls, totalBytes=%d, strFileName=%ls", url.c_str(),
       total_bytes, file_name.c_str());
  std::int64_t stored_total = 0;
  std::wstring stored_url;
  if (!ReadDownloadHistory(file_name + L".cfg", stored_total, stored_url)) return false;
  if (stored_url == url && stored_total == static_cast<std::int64_t>(total_bytes)) return false;
  const bool removed = RemoveTemporaryFileWrap(file_name);
  LogA("JudgeDeleteHistoryFile", __FILE__, __LINE__, kLogInfo, "RemoveTemporaryFileWrap result=%d",
       removed ? 1 : 0);
  return removed;
}
