// What the download manager's integration tests share: content, settings that make a megabyte
// many claims, and a job run to its end.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <thread>

#include "download/download_manager.h"
#include "tests/servers/peers.h"
#include "tests/support/temp_folder.h"

namespace kvtest::download {

constexpr std::int64_t kFileBytes = std::int64_t{1024} * 1024;

inline std::string Content(std::int64_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

template <typename Condition>
bool WaitUntil(std::chrono::seconds limit, Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return condition();
}

inline bool Ended(std::int32_t state) {
  return state == kJobFailed || state == kJobIncomplete || state == kJobCompleted;
}

// Small pieces and a short timeout so that a file of a megabyte has many claims and a stalled
// connection is given up within a second or two.
inline khttp::download_settings TestSettings() {
  khttp::download_settings settings;
  settings.max_connections = 4;
  settings.timeout_seconds = 1;
  settings.piece_size = 16384;
  settings.pieces_per_request = 2;
  settings.use_stored_url = false;
  return settings;
}

struct outcome {
  std::int32_t state = 0;
  std::string error;
  std::string digest;  // of the file at the save path; empty when there is none
  bool ended = false;
};

// Starts (or restarts) the job and waits for its end, at most three minutes: refused
// connections back off for up to 30 s each, and a loaded machine makes a server's refusals last.
inline outcome RunJob(DownloadHandle handle, const std::wstring& save_path) {
  outcome result;
  EXPECT_TRUE(WaitUntil(std::chrono::seconds(10), [&] { return DownloadStart(handle); }));
  DownloadStatus status;
  result.ended = WaitUntil(std::chrono::seconds(180),
                           [&] { return DownloadQuery(handle, &status) && Ended(status.state); });
  result.state = status.state;
  result.error = status.error;
  const std::filesystem::path path(save_path);
  if (std::filesystem::is_regular_file(path)) {
    result.digest = kvtest::Sha256Hex(kvtest::ReadFile(path));
  }
  return result;
}

inline outcome Download(const std::string& url, const std::wstring& save_path,
                        const khttp::download_settings& settings = TestSettings()) {
  return RunJob(DownloadCreateWithSettings(url, save_path, settings), save_path);
}

}  // namespace kvtest::download
