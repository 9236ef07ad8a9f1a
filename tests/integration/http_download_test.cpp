// The download driver over the manager against servers on loopback: its events and result codes.
#include "download/http_download.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "tests/servers/peers.h"
#include "tests/servers/range_server.h"
#include "tests/servers/scripted_server.h"
#include "tests/support/temp_folder.h"

namespace {

struct event {
  std::int32_t kind;
  std::int32_t value1;
  std::int32_t value2;
};

enum class on_progress { nothing, stop, stop_once_complete };

struct recorder {
  std::mutex lock;
  std::vector<event> events;
  on_progress action = on_progress::nothing;
  std::filesystem::path final_file;
  bool acted = false;
};

void Record(std::int32_t kind, std::int32_t value1, std::int32_t value2, void* context) {
  auto* record = static_cast<recorder*>(context);
  {
    std::lock_guard<std::mutex> lock(record->lock);
    record->events.push_back({kind, value1, value2});
  }
  if (kind != 3 || record->acted || record->action == on_progress::nothing) return;
  record->acted = true;
  if (record->action == on_progress::stop_once_complete) {
    // The job completes while the driver still polls; the stop then comes too late.
    for (int i = 0; i < 1500 && !std::filesystem::exists(record->final_file); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  StopHttpDownload();
}

std::string Content(std::size_t size) {
  std::mt19937 random(5);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

TEST(HttpDownloadDriver, EventsAndResultCodes) {
  const std::string content = Content(std::size_t{1024} * 1024);
  kvtest::range_server fast(content);
  kvtest::range_server slow(content);
  slow.SetThrottle(std::int64_t{32} * 1024);  // about four seconds over eight connections
  kvtest::range_server slowish(content);
  slowish.SetThrottle(std::int64_t{96} * 1024);
  kvtest::scripted_http_server odd(std::map<std::string, std::string>{
      {"/no-length", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nbytes without a length"}});
  struct Case {
    const char* name;
    std::string url;
    on_progress action;
    std::int32_t result;
    bool file;
  };
  const Case cases[] = {
      {"complete", fast.Url("/complete"), on_progress::nothing, 0, true},
      {"incomplete", odd.Url("/no-length"), on_progress::nothing, -2, false},
      {"failed", odd.Url("/missing"), on_progress::nothing, -4, false},
      // The installer's jobs verify certificates: "localhost" is not the test certificate's name.
      {"an untrusted certificate",
       "https://localhost:" + std::to_string(kvtest::peers::Get().HttpsPort()) + "/big.bin",
       on_progress::nothing, -4, false},
      {"stopped", slow.Url("/stopped"), on_progress::stop, -5, false},
      {"stopped after completion", slowish.Url("/late-stop"), on_progress::stop_once_complete, 0,
       true},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.name);
    kvtest::TempFolder folder;
    recorder record;
    record.action = row.action;
    record.final_file = folder.path() / "setup.exe";
    DownloadRequest request;
    request.connections = 8;
    request.context = &record;
    request.url = std::wstring(row.url.begin(), row.url.end());
    request.save_path = folder.Wide("setup.exe");
    EXPECT_EQ(RunHttpDownload(&request, Record, nullptr), row.result == 0);
    EXPECT_EQ(std::filesystem::exists(record.final_file), row.file);

    std::lock_guard<std::mutex> lock(record.lock);
    ASSERT_GE(record.events.size(), 2u);
    EXPECT_EQ(record.events.front().kind, 0);
    EXPECT_EQ(record.events.back().kind, 4);
    EXPECT_EQ(record.events.back().value1, row.result);
    EXPECT_GE(record.events.back().value2, 0);
    int last_percent = -1;
    for (std::size_t i = 1; i + 1 < record.events.size(); ++i) {
      EXPECT_EQ(record.events[i].kind, 3) << "only progress between the start and the end";
      EXPECT_LE(record.events[i].value1, 100);
      if (row.action == on_progress::nothing) {
        EXPECT_GE(record.events[i].value1, last_percent) << "progress never goes back";
      }
      last_percent = record.events[i].value1;
    }
    if (row.action != on_progress::nothing) {
      EXPECT_TRUE(record.acted) << "the job was never seen downloading";
    }
  }
}

}  // namespace
