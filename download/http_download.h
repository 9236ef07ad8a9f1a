// The download driver: the blocking front of the download engine that the installer's download
// worker calls, and the clean-up of an earlier download's files.
#pragma once

#include <cstdint>
#include <string>

/// One download as the window asks for it; owned by the caller until RunHttpDownload returns.
struct DownloadRequest {
  std::int32_t connections = 8;
  void* context = nullptr;  // handed back with every callback
  std::wstring url;
  std::wstring save_path;  // partial file: save_path + ".tmp", resume file: save_path + ".cfg"
};

/// Events: 0 (before the job is made), 3 (percentage, after every poll that found the job
/// downloading), 4 (result code, elapsed seconds; once, at the end). Runs on the download
/// thread.
using DownloadCallback = void (*)(std::int32_t event, std::int32_t value1, std::int32_t value2,
                                  void* context);

/// Result codes of a download.
enum DownloadResult : std::int32_t {
  kDownloadComplete = 0,
  kDownloadIncomplete = -2,
  kDownloadFailed = -4,
  kDownloadCancelled = -5,
};

/// Runs one download on the calling thread and blocks until it ends: registers the job, starts
/// it, polls it every 800 ms and reports through `callback`. True exactly when the file is
/// complete under save_path.
bool RunHttpDownload(const DownloadRequest* request, DownloadCallback callback, void* user_data);

/// Cancels the download that RunHttpDownload is running (from any thread); its files stay for
/// a later resume. Nothing happens when no download was ever run.
void StopHttpDownload();

/// Deletes the partial and resume files of `file_name` when its resume file belongs to another
/// URL or size. True when it deleted them.
bool JudgeDeleteHistoryFile(const std::wstring& url, std::int32_t total_bytes,
                            const std::wstring& file_name);

/// Deletes file_name + ".tmp" and file_name + ".cfg"; true when neither is left.
bool RemoveTemporaryFileWrap(const std::wstring& file_name);

/// The URL and total size a resume file records. False when it is missing or unreadable; an
/// empty file is readable and leaves both as they were.
bool ReadDownloadHistory(const std::wstring& path, std::int64_t& total, std::wstring& url);
