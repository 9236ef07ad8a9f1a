// The download manager: the process's download jobs, each one segmented download run to its end
// on its own thread, behind four plain functions.
#pragma once

#include <cstdint>
#include <string>

#include "khttp/multi_download.h"

/// A job's identity: the address of a small object the manager never frees.
using DownloadHandle = const void*;

/// The state of a job.
enum JobState : std::int32_t {
  kJobFailed = 1,       // the downloader failed while starting or running
  kJobIncomplete = 2,   // the run ended with fewer bytes than the total (also after a stop)
  kJobDownloading = 3,  // the downloader has started and its io context runs
  kJobCompleted = 4,    // every byte is present and the file is at its final path
  kJobPending = 5,      // created, or starting
  kJobStopping = 6,     // DownloadStop is closing the connections
};

/// What DownloadQuery tells about a job.
struct DownloadStatus {
  std::int32_t state = 0;
  std::wstring path;       // the final path once completed, the partial file before
  std::int64_t total = 0;  // -1 until the server told it
  std::int64_t downloaded = 0;
  float progress = 0;     // downloaded / total, not clamped (negative while the total is unknown)
  std::int32_t rate = 0;  // bytes per second, smoothed
  std::int32_t connections = 0;  // connections still working
  /// Why a failed or incomplete job ended (the system's or the server's message); empty else.
  std::string error;
};

/// The job for `url`, made with the installer's settings: `connections` connections, a
/// `timeout` of that many seconds, certificates verified. A URL seen before (compared whole)
/// gives the handle of its job, whatever the other arguments say.
DownloadHandle DownloadCreate(const std::string& url, const std::wstring& save_path,
                              std::int32_t connections, std::int32_t timeout);

/// The same with the downloader's settings given whole (tools and tests): file_path and
/// meta_path are filled from `save_path` when empty.
DownloadHandle DownloadCreateWithSettings(const std::string& url, const std::wstring& save_path,
                                          const khttp::download_settings& settings);

/// Starts the job on a thread of its own. False when there is no such job or it still runs.
bool DownloadStart(DownloadHandle handle);

/// Fills `status`. False when there is no such job (or no manager yet).
bool DownloadQuery(DownloadHandle handle, DownloadStatus* status);

/// Stops a job that is downloading (state 3); its files stay for a later resume. False only
/// when there is no manager yet.
bool DownloadStop(DownloadHandle handle);
