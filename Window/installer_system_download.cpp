// The real system's download operations: the download driver of download/.
#include "Window/installer_system.h"
#include "download/http_download.h"

bool CInstallerSystem::RunHttpDownload(const DownloadJob& job, DownloadEventCallback callback) {
  DownloadRequest request;
  request.connections = job.connections;
  request.context = job.context;
  request.url = job.url;
  request.save_path = job.save_path;
  return ::RunHttpDownload(&request, callback, nullptr);
}

void CInstallerSystem::StopHttpDownload() { ::StopHttpDownload(); }

bool CInstallerSystem::JudgeDeleteHistoryFile(const std::wstring& url, std::int32_t size,
                                              const std::wstring& save_path) {
  return ::JudgeDeleteHistoryFile(url, size, save_path);
}
