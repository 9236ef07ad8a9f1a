// The download manager and the segmented downloader end to end: real nginx for the main paths
// (ranges, keep-alive, TLS with the test CA, an HTTP proxy), our own range server for the faults
// real servers do not produce on purpose.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <thread>

#include "download/download_manager.h"
#include "khttp/resume_file.h"
#include "tests/integration/download_test_support.h"
#include "tests/servers/peers.h"
#include "tests/servers/range_server.h"
#include "tests/servers/scripted_server.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace {

using kvtest::range_fault;
using kvtest::range_request;
using kvtest::range_server;

using namespace kvtest::download;  // NOLINT(google-build-using-namespace)

// ---------------------------------------------------------------------------------------------
// Real nginx.

struct NginxPath {
  const char* name;
  bool https;
  bool via_proxy;
  int connections;
};

TEST(DownloadNginx, EveryByteEqualsTheSourceOnEveryPath) {
  auto& peers = kvtest::peers::Get();
  const NginxPath paths[] = {
      {"http, 8 connections", false, false, 8},
      {"https with the test CA", true, false, 8},
      {"one connection", false, false, 1},
      {"through tinyproxy", false, true, 4},
  };
  int case_number = 0;
  for (const auto& path : paths) {
    SCOPED_TRACE(path.name);
    kvtest::TempFolder folder;
    const std::string origin = path.https ? "https://127.0.0.1:" + std::to_string(peers.HttpsPort())
                                          : "http://127.0.0.1:" + std::to_string(peers.HttpPort());
    auto settings = TestSettings();
    settings.max_connections = path.connections;
    settings.verify_certificate = true;
    if (path.via_proxy) {
      settings.proxy.kind = khttp::ProxyKind::HttpProxy;
      settings.proxy.hostname = "127.0.0.1";
      settings.proxy.port = peers.TinyproxyPort();
    }
    const std::wstring save = folder.Wide("big.bin");
    const auto result =
        Download(origin + "/big.bin?path=" + std::to_string(case_number++), save, settings);
    EXPECT_EQ(result.state, kJobCompleted) << result.error;
    EXPECT_EQ(result.digest, peers.BigDigest());
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "big.bin.tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "big.bin.cfg"));
  }
}

TEST(DownloadNginx, ARedirectIsFollowedOnce) {
  auto& peers = kvtest::peers::Get();
  kvtest::TempFolder folder;
  const auto result = Download("http://127.0.0.1:" + std::to_string(peers.HttpPort()) + "/redirect",
                               folder.Wide("big.bin"));
  EXPECT_EQ(result.state, kJobCompleted) << result.error;
  EXPECT_EQ(result.digest, peers.BigDigest());
}

TEST(DownloadNginx, AnUntrustedCertificateFailsTheJob) {
  auto& peers = kvtest::peers::Get();
  kvtest::TempFolder folder;
  // "localhost" is not the name the test certificate was made for.
  const auto result =
      Download("https://localhost:" + std::to_string(peers.HttpsPort()) + "/big.bin",
               folder.Wide("big.bin"));
  EXPECT_EQ(result.state, kJobFailed);
  EXPECT_TRUE(result.digest.empty());
}

// ---------------------------------------------------------------------------------------------
// The fault matrix: each row a fault and what must follow. Never a wrong file reported complete.

struct FaultRow {
  const char* name;
  kvtest::range_server::policy faults;
  bool validators;
  std::int32_t expected;  // the job's end state
};

// The fault on the request numbered `number` (0 is the first "bytes=0-" request) only.
kvtest::range_server::policy Once(int number, range_fault fault) {
  return [number, fault](const range_request& request) {
    return request.number == number ? fault : range_fault::none;
  };
}

TEST(DownloadFaults, EachFaultEndsInTheRightFileOrAClearFailure) {
  const std::string content = Content(kFileBytes, 7);
  const std::string digest = kvtest::Sha256Hex(content);
  const FaultRow rows[] = {
      {"a reset in the middle of a range", Once(2, range_fault::reset_midway), true, kJobCompleted},
      {"a connection that stalls", Once(2, range_fault::stall), true, kJobCompleted},
      {"a server that never answers a connection", Once(3, range_fault::silent), true,
       kJobCompleted},
      {"503 then recovery",
       [](const range_request& request) {
         return request.number >= 1 && request.number <= 6 ? range_fault::status_503
                                                           : range_fault::none;
       },
       true, kJobCompleted},
      {"429 on one connection", Once(2, range_fault::status_429), true, kJobCompleted},
      {"a range answer shorter than asked", Once(2, range_fault::short_body), true, kJobCompleted},
      {"a range answer longer than asked", Once(2, range_fault::long_range), true, kJobCompleted},
      {"a Content-Range that does not match", Once(2, range_fault::shifted_range), true,
       kJobCompleted},
      {"a different total once: the download begins anew", Once(3, range_fault::wrong_total), true,
       kJobCompleted},
      {"a 403 on one connection", Once(2, range_fault::status_403), true, kJobCompleted},
      {"a server that accepts only two connections",
       [](const range_request& request) {
         return request.concurrent > 2 ? range_fault::status_503 : range_fault::none;
       },
       true, kJobCompleted},
      {"200 to every range request, with an ETag",
       [](const range_request& request) {
         return request.number > 0 ? range_fault::whole_file_200 : range_fault::none;
       },
       true, kJobCompleted},  // the download begins anew and the whole file comes over one
      {"200 to every range request, without validators",
       [](const range_request& request) {
         return request.number > 0 ? range_fault::whole_file_200 : range_fault::none;
       },
       false, kJobIncomplete},
      {"a first answer that is not the start of the file", Once(0, range_fault::shifted_range),
       true, kJobFailed},
      {"a server that never answers", [](const range_request&) { return range_fault::silent; },
       true, kJobFailed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    range_server server(content, "\"v1\"", row.faults);
    server.SetValidators(row.validators);
    kvtest::TempFolder folder;
    const auto result = Download(server.Url(), folder.Wide("file.bin"));
    ASSERT_TRUE(result.ended);
    EXPECT_EQ(result.state, row.expected) << result.error;
    if (row.expected == kJobCompleted) {
      EXPECT_EQ(result.digest, digest);
    } else {
      EXPECT_TRUE(result.digest.empty()) << "nothing may appear under the final name";
      EXPECT_FALSE(result.error.empty());
    }
  }
}

TEST(DownloadFaults, ATwoConnectionServerIsDownloadedOverTwo) {
  const std::string content = Content(kFileBytes, 8);
  range_server server(content, "\"v1\"", [](const range_request& request) {
    return request.concurrent > 2 ? range_fault::status_503 : range_fault::none;
  });
  kvtest::TempFolder folder;
  auto settings = TestSettings();
  settings.max_connections = 6;
  const auto result = Download(server.Url(), folder.Wide("file.bin"), settings);
  EXPECT_EQ(result.state, kJobCompleted) << result.error;
  EXPECT_EQ(result.digest, kvtest::Sha256Hex(content));
  // Refused connections back off and retire instead of knocking every second.
  int refused = 0;
  for (const auto& request : server.Requests()) {
    refused += request.concurrent > 2 ? 1 : 0;
  }
  EXPECT_LE(refused, 6 * 4);
}

// ---------------------------------------------------------------------------------------------
// Resuming.

khttp::download_settings Throttled() {
  auto settings = TestSettings();
  settings.rate_limit = 256 * 1024;
  return settings;
}

// Stops the job once at least `bytes` are written and waits for its end.
void StopAfter(DownloadHandle handle, std::int64_t bytes) {
  ASSERT_TRUE(DownloadStart(handle));
  DownloadStatus status;
  ASSERT_TRUE(WaitUntil(std::chrono::seconds(30), [&] {
    return DownloadQuery(handle, &status) && status.downloaded >= bytes;
  }));
  ASSERT_TRUE(WaitUntil(std::chrono::seconds(10), [&] {
    DownloadStop(handle);
    return DownloadQuery(handle, &status) && Ended(status.state);
  }));
  // The stopped job's files are saved and closed once it reads 2.
  EXPECT_EQ(status.state, kJobIncomplete);
}

TEST(DownloadResume, AResumedDownloadFetchesOnlyWhatWasMissing) {
  const std::string content = Content(kFileBytes, 9);
  range_server server(content);
  kvtest::TempFolder folder;
  const std::wstring save = folder.Wide("file.bin");
  auto settings = Throttled();
  const DownloadHandle handle = DownloadCreateWithSettings(server.Url(), save, settings);
  StopAfter(handle, kFileBytes / 2);
  khttp::resume_meta meta;
  std::string problem;
  ASSERT_TRUE(
      khttp::parse_resume_meta(kvtest::ReadFile(folder.path() / "file.bin.cfg"), meta, problem))
      << problem;
  EXPECT_EQ(meta.etag, "\"v1\"");
  khttp::range_set written;
  written.reset(meta.file_size);
  written.from_bitmap(meta.bitfield, meta.piece_num, meta.piece_size);
  const std::int64_t missing = kFileBytes - written.covered();

  const std::size_t first_of_second_run = server.Requests().size();
  const auto result = RunJob(handle, save);
  EXPECT_EQ(result.state, kJobCompleted) << result.error;
  EXPECT_EQ(result.digest, kvtest::Sha256Hex(content));
  // What the resumed run asked for: the missing bytes, plus at most the claims that were
  // under way when the first run stopped. Requests of the first run may still reach the server
  // after its end; the resumed run's own begin with its "bytes=0-" request (which reads a head
  // only) and come on connections accepted after it.
  const auto requests = server.Requests();
  const std::int64_t claim = std::int64_t{settings.piece_size} * settings.pieces_per_request;
  std::size_t start = first_of_second_run;
  while (start < requests.size() &&
         !(requests[start].first == 0 && requests[start].if_range.empty())) {
    ++start;
  }
  ASSERT_LT(start, requests.size());
  std::int64_t asked = 0;
  for (std::size_t i = start + 1; i < requests.size(); ++i) {
    if (requests[i].connection <= requests[start].connection) continue;
    ASSERT_TRUE(requests[i].has_range);
    asked += requests[i].last - requests[i].first + 1;
    // Every range request of the resumed run names the version it continues.
    EXPECT_EQ(requests[i].if_range, "\"v1\"") << requests[i].head;
  }
  EXPECT_LE(asked, missing + settings.max_connections * claim);
  EXPECT_GE(asked, missing);
}

TEST(DownloadResume, AFileThatChangedBetweenTwoRunsStartsOverFromZero) {
  const std::string old_content = Content(kFileBytes, 10);
  const std::string new_content = Content(kFileBytes, 11);
  range_server server(old_content, "\"old\"");
  kvtest::TempFolder folder;
  const std::wstring save = folder.Wide("file.bin");
  const DownloadHandle handle = DownloadCreateWithSettings(server.Url(), save, Throttled());
  StopAfter(handle, kFileBytes / 2);
  server.Replace(new_content, "\"new\"");
  const auto result = RunJob(handle, save);
  EXPECT_EQ(result.state, kJobCompleted) << result.error;
  EXPECT_EQ(result.digest, kvtest::Sha256Hex(new_content)) << "two versions were mixed";
}

TEST(DownloadResume, AFileThatChangesDuringTheDownloadStartsOverFromZero) {
  const std::string old_content = Content(kFileBytes, 12);
  const std::string new_content = Content(kFileBytes, 13);
  range_server server(old_content, "\"old\"");
  server.SetThrottle(std::int64_t{64} * 1024);
  kvtest::TempFolder folder;
  const std::wstring save = folder.Wide("file.bin");
  const DownloadHandle handle = DownloadCreateWithSettings(server.Url(), save, TestSettings());
  ASSERT_TRUE(DownloadStart(handle));
  DownloadStatus status;
  ASSERT_TRUE(WaitUntil(std::chrono::seconds(30), [&] {
    return DownloadQuery(handle, &status) && status.downloaded >= kFileBytes / 4;
  }));
  server.Replace(new_content, "\"new\"");
  server.SetThrottle(0);
  ASSERT_TRUE(WaitUntil(std::chrono::seconds(60),
                        [&] { return DownloadQuery(handle, &status) && Ended(status.state); }));
  EXPECT_EQ(status.state, kJobCompleted) << status.error;
  EXPECT_EQ(kvtest::Sha256Hex(kvtest::ReadFile(folder.path() / "file.bin")),
            kvtest::Sha256Hex(new_content));
}

TEST(DownloadResume, ADamagedResumeFileIsThrownAwayAndTheDownloadBeginsAnew) {
  const std::string content = Content(kFileBytes, 14);
  const std::string damaged[] = {
      "garbage",
      "d9:file_sizei1048576e10:piece_sizei0ee",
      "d8:bitfield1:\xff"
      "9:file_sizei1048576e9:final_url0:9:piece_numi64e10:piece_sizei16384ee",
  };
  int case_number = 0;
  for (const auto& record : damaged) {
    SCOPED_TRACE(record);
    range_server server(content);
    kvtest::TempFolder folder;
    folder.Write("file.bin.cfg", record);
    folder.Write("file.bin.tmp", std::string(kFileBytes + 100, 'x'));  // stale bytes
    const auto result =
        Download(server.Url("/damaged" + std::to_string(case_number++)), folder.Wide("file.bin"));
    EXPECT_EQ(result.state, kJobCompleted) << result.error;
    EXPECT_EQ(result.digest, kvtest::Sha256Hex(content));
  }
}

TEST(DownloadResume, TheResumeFileIsRewrittenOnlyWhenSomethingChanged) {
  // After the first claim every request stalls: the record stops changing.
  range_server server(Content(kFileBytes, 20), "\"v1\"", [](const range_request& request) {
    return request.number == 0 ? range_fault::none : range_fault::stall;
  });
  kvtest::TempFolder folder;
  auto settings = TestSettings();
  settings.timeout_seconds = 30;
  const DownloadHandle handle =
      DownloadCreateWithSettings(server.Url("/quiet"), folder.Wide("file.bin"), settings);
  ASSERT_TRUE(DownloadStart(handle));
  const auto cfg = folder.path() / "file.bin.cfg";
  ASSERT_TRUE(WaitUntil(std::chrono::seconds(10), [&] {
    std::error_code error;
    return std::filesystem::file_size(cfg, error) > 0 && !error;
  }));
  // Every save replaces the file (a new one renamed over it), so an unchanged write time over
  // three ticks means no save happened.
  const auto written = std::filesystem::last_write_time(cfg);
  std::this_thread::sleep_for(std::chrono::milliseconds(3200));
  EXPECT_EQ(std::filesystem::last_write_time(cfg), written);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "file.bin.cfg.new"));
  DownloadStop(handle);
  DownloadStatus status;
  EXPECT_TRUE(WaitUntil(std::chrono::seconds(10),
                        [&] { return DownloadQuery(handle, &status) && Ended(status.state); }));
}

// ---------------------------------------------------------------------------------------------
// Properties.

TEST(DownloadProperties, NoByteIsClaimedByTwoConnections) {
  const std::string content = Content(kFileBytes, 15);
  range_server server(content);
  kvtest::TempFolder folder;
  auto settings = TestSettings();
  settings.take_over_tail = false;  // a taken-over tail is asked for twice on purpose
  settings.max_connections = 8;
  const auto result = Download(server.Url(), folder.Wide("file.bin"), settings);
  ASSERT_EQ(result.state, kJobCompleted) << result.error;
  EXPECT_EQ(result.digest, kvtest::Sha256Hex(content));
  // The first request reads its first claim; every later range is a claim of its own.
  std::int64_t claimed = std::int64_t{settings.piece_size} * settings.pieces_per_request;
  std::set<std::int64_t> starts = {0};
  for (const auto& request : server.Requests()) {
    if (request.number == 0) continue;
    ASSERT_TRUE(request.has_range);
    EXPECT_TRUE(starts.insert(request.first).second) << "claimed twice: " << request.first;
    claimed += request.last - request.first + 1;
  }
  EXPECT_EQ(claimed, kFileBytes);
}

// A connection finding nothing left to claim takes over the tail of a slow one.
TEST(DownloadProperties, TheSlowTailIsTakenOver) {
  const std::string content = Content(kFileBytes, 16);
  // Two claims of half the file each; the second is served at a crawl.
  range_server server(content, "\"v1\"", Once(1, range_fault::slow));
  kvtest::TempFolder folder;
  auto settings = TestSettings();
  settings.pieces_per_request = 32;
  settings.max_connections = 2;
  const auto result = Download(server.Url("/tail"), folder.Wide("file.bin"), settings);
  EXPECT_EQ(result.state, kJobCompleted) << result.error;
  EXPECT_EQ(result.digest, kvtest::Sha256Hex(content));
  bool taken_over = false;
  for (const auto& request : server.Requests()) {
    taken_over |= request.number > 1 && request.first > kFileBytes / 2;
  }
  EXPECT_TRUE(taken_over) << "the fast connection retired and left the tail to the slow one";
}

// ---------------------------------------------------------------------------------------------
// The manager's own rules.

TEST(DownloadManager, JobsAreKeyedByTheWholeUrl) {
  // These two URLs have the same CRC-32 (0x4096a781): they must still be two jobs.
  const std::string first = "http://dl.example/setup.exe?build=29685295";
  const std::string second = "http://dl.example/setup.exe?build=32060020";
  kvtest::TempFolder folder;
  const DownloadHandle a = DownloadCreate(first, folder.Wide("a.exe"), 8, 20);
  const DownloadHandle b = DownloadCreate(second, folder.Wide("b.exe"), 8, 20);
  EXPECT_NE(a, b);
  // The same URL again is the same job, whatever else is asked.
  EXPECT_EQ(DownloadCreate(first, folder.Wide("c.exe"), 2, 5), a);
  DownloadStatus status;
  ASSERT_TRUE(DownloadQuery(a, &status));
  EXPECT_EQ(status.state, kJobPending);
  EXPECT_EQ(status.path, folder.Wide("a.exe") + L".tmp");
  EXPECT_FALSE(DownloadQuery(&status, &status)) << "no job has that handle";
  EXPECT_FALSE(DownloadStart(&status));
}

// Sets an environment variable for one scope, then puts back what was there.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    had_ = old != nullptr;
    if (had_) old_ = old;
    kvtest::SetEnvironment(name, value);
  }
  ~ScopedVariable() { kvtest::SetEnvironment(name_, had_ ? old_ : std::string()); }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

TEST(DownloadManager, AJobTakesTheSystemProxy) {
  if (kvtest::kOnWindows) GTEST_SKIP() << "Windows keeps its proxy settings in WinHTTP, not here";
  // tinyproxy marks what it forwards with a Via header; a direct request has none.
  struct ProxyCase {
    const char* name;
    const char* no_proxy;
    bool via_proxy;
  };
  const ProxyCase cases[] = {
      {"through the proxy", "", true},
      {"no_proxy names the host", "localhost,127.0.0.1", false},
  };
  const std::string content = Content(kFileBytes / 4, 23);
  const ScopedVariable proxy(
      "http_proxy", "http://127.0.0.1:" + std::to_string(kvtest::peers::Get().TinyproxyPort()));
  int case_number = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ScopedVariable no_proxy("no_proxy", c.no_proxy);
    range_server server(content);
    kvtest::TempFolder folder;
    const std::wstring save = folder.Wide("setup.exe");
    const DownloadHandle job =
        DownloadCreate(server.Url("/proxy" + std::to_string(case_number++)), save, 2, 20);
    const auto result = RunJob(job, save);
    EXPECT_EQ(result.state, kJobCompleted) << result.error;
    EXPECT_EQ(result.digest, kvtest::Sha256Hex(content));
    const auto requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    for (const auto& request : requests) {
      EXPECT_EQ(request.head.find("\r\nVia:") != std::string::npos, c.via_proxy) << request.head;
    }
  }
}

TEST(DownloadManager, AFailedFinalMoveFailsTheJob) {
  const std::string content = Content(kFileBytes, 19);
  range_server server(content);
  kvtest::TempFolder folder;
  // A folder that is not empty sits where the file must go.
  folder.Write("file.bin/occupied", "x");
  const auto result = Download(server.Url("/move"), folder.Wide("file.bin"));
  EXPECT_EQ(result.state, kJobFailed);
  EXPECT_NE(result.error.find("cannot move"), std::string::npos) << result.error;
  // The finished data stays for the next attempt.
  EXPECT_EQ(kvtest::Sha256Hex(kvtest::ReadFile(folder.path() / "file.bin.tmp")),
            kvtest::Sha256Hex(content));
}

TEST(DownloadBodies, WithoutALengthOnlyAChunkedBodyThatEndsCleanlyIsComplete) {
  kvtest::scripted_http_server server(std::map<std::string, std::string>{
      {"/chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n "
       "world\r\n0\r\n\r\n"},
      {"/chunked-cut", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n"},
      {"/until-close", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\nhello world"},
      {"/length", "HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\nhello world"},
      {"/length-cut", "HTTP/1.1 200 OK\r\nContent-Length: 20\r\n\r\nhello world"},
  });
  struct Case {
    const char* path;
    std::int32_t state;
  };
  const Case cases[] = {
      {"/chunked", kJobCompleted},      {"/chunked-cut", kJobIncomplete},
      {"/until-close", kJobIncomplete}, {"/length", kJobCompleted},
      {"/length-cut", kJobIncomplete},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.path);
    kvtest::TempFolder folder;
    const auto result = Download(server.Url(row.path), folder.Wide("file.txt"));
    EXPECT_EQ(result.state, row.state) << result.error;
    if (row.state == kJobCompleted) {
      EXPECT_EQ(kvtest::ReadFile(folder.path() / "file.txt"), "hello world");
    }
  }
}

}  // namespace
