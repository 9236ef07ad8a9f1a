// kvdl download URL -o FILE [-x N] [--rate-limit BYTES] [--timeout S] [--proxy URL]
//                    [--insecure] [-q]
// Downloads over the installer's own engine (the download manager and the segmented
// downloader): FILE.tmp and FILE.cfg while it runs, FILE once complete; run again, it resumes.
// A progress line is redrawn in place on a terminal (plain lines otherwise). Ctrl-C saves the
// state and exits 130. --read-size BYTES sets the size of each read (2048 as in the installer),
// for measuring. Exit codes: 0 complete, 2 incomplete, 1 failed, 64 bad usage; each end
// that is not success prints one line that names the cause.
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <thread>

#include "download/download_manager.h"
#include "platform/console.h"
#include "platform/text.h"
#include "tools/kvdl/commands.h"
#include "tools/kvdl/proxy_url.h"

namespace kvdl {
namespace {

constexpr int kExitComplete = 0;
constexpr int kExitFailed = 1;
constexpr int kExitIncomplete = 2;
constexpr int kExitUsage = 64;
constexpr int kExitInterrupted = 130;
constexpr char kUsage[] =
    "usage: kvdl download URL -o FILE [-x N] [--rate-limit BYTES] [--timeout S] [--proxy URL] "
    "[--insecure] [-q]";

std::atomic<bool> g_interrupted{false};

void Interrupt() { g_interrupted = true; }

struct download_arguments {
  std::string url;
  std::string output;
  int connections = 8;
  long long rate_limit = -1;
  int timeout = 20;
  int read_size = 2048;
  bool insecure = false;
  bool quiet = false;
  khttp::ProxySettings proxy;
};

bool ParseNumber(const std::string& text, long long low, long long high, long long& value) {
  if (text.empty() || text.size() > 12) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value >= low && value <= high;
}

// Parses the arguments; an empty result is success, otherwise what is wrong.
std::string ParseArguments(int argc, char** argv, download_arguments& arguments) {
  for (int i = 0; i < argc; ++i) {
    const std::string argument = argv[i];
    std::string text;
    auto value = [&](const char* what) {
      if (i + 1 >= argc) return false;
      text = argv[++i];
      (void)what;
      return true;
    };
    long long number = 0;
    if (argument == "-o") {
      if (!value("-o")) return "-o needs a file name";
      arguments.output = text;
    } else if (argument == "-x") {
      if (!value("-x") || !ParseNumber(text, 1, 64, number))
        return "-x needs a number from 1 to 64";
      arguments.connections = static_cast<int>(number);
    } else if (argument == "--rate-limit") {
      if (!value("--rate-limit") || !ParseNumber(text, 1, 2147483647, number)) {
        return "--rate-limit needs a number of bytes per second from 1 to 2147483647";
      }
      arguments.rate_limit = number;
    } else if (argument == "--timeout") {
      if (!value("--timeout") || !ParseNumber(text, 1, 3600, number)) {
        return "--timeout needs a number of seconds from 1 to 3600";
      }
      arguments.timeout = static_cast<int>(number);
    } else if (argument == "--read-size") {
      if (!value("--read-size") || !ParseNumber(text, 512, 1048576, number)) {
        return "--read-size needs a number of bytes from 512 to 1048576";
      }
      arguments.read_size = static_cast<int>(number);
    } else if (argument == "--proxy") {
      std::string error;
      if (!value("--proxy")) return "--proxy needs a URL";
      if (!ParseProxyUrl(text, arguments.proxy, error)) return error;
    } else if (argument == "--insecure") {
      arguments.insecure = true;
    } else if (argument == "-q") {
      arguments.quiet = true;
    } else if (!argument.empty() && argument[0] == '-') {
      return "unknown option " + argument;
    } else if (arguments.url.empty()) {
      arguments.url = argument;
    } else {
      return "more than one URL";
    }
  }
  if (arguments.url.empty()) return "no URL given";
  if (arguments.output.empty()) return "no output file given (-o FILE)";
  return "";
}

std::string Bytes(std::int64_t bytes) {
  char text[32];
  if (bytes < 0) return "?";
  if (bytes < std::int64_t{1024} * 1024) {
    std::snprintf(text, sizeof(text), "%.1f KiB", static_cast<double>(bytes) / 1024);
  } else {
    std::snprintf(text, sizeof(text), "%.1f MiB", static_cast<double>(bytes) / (1024 * 1024));
  }
  return text;
}

std::string Duration(std::int64_t seconds) {
  char text[32];
  if (seconds < 0) return "--:--";
  std::snprintf(text, sizeof(text), "%" PRId64 ":%02d", seconds / 60,
                static_cast<int>(seconds % 60));
  return text;
}

// "42.0%  12.3 MiB of 29.2 MiB  3.4 MiB/s  0:05 left  8 connections"
std::string ProgressLine(const DownloadStatus& status) {
  std::string line;
  char percent[16];
  if (status.total > 0) {
    std::snprintf(
        percent, sizeof(percent), "%5.1f%%",
        100.0 * static_cast<double>(status.downloaded) / static_cast<double>(status.total));
  } else {
    std::snprintf(percent, sizeof(percent), "  ?  %%");
  }
  const std::int64_t left =
      status.total > 0 && status.rate > 0 ? (status.total - status.downloaded) / status.rate : -1;
  line = std::string(percent) + "  " + Bytes(status.downloaded) + " of " + Bytes(status.total) +
         "  " + Bytes(status.rate) + "/s  " + Duration(left) + " left  " +
         std::to_string(status.connections) + " connections";
  return line;
}

bool Ended(std::int32_t state) {
  return state == kJobFailed || state == kJobIncomplete || state == kJobCompleted;
}

}  // namespace

int RunDownload(int argc, char** argv) {
  download_arguments arguments;
  const std::string problem = ParseArguments(argc, argv, arguments);
  if (!problem.empty()) {
    std::fprintf(stderr, "kvdl: %s\n%s\n", problem.c_str(), kUsage);
    return kExitUsage;
  }
  khttp::download_settings settings;
  settings.max_connections = arguments.connections;
  settings.timeout_seconds = arguments.timeout;
  settings.rate_limit = static_cast<std::int32_t>(arguments.rate_limit);
  settings.pieces_per_request = 8;
  settings.use_stored_url = false;
  settings.verify_certificate = !arguments.insecure;
  settings.proxy = arguments.proxy;
  settings.read_size = arguments.read_size;

  g_interrupted = false;
  platform::OnInterrupt(Interrupt);
  const DownloadHandle handle =
      DownloadCreateWithSettings(arguments.url, platform::NarrowToWide(arguments.output), settings);
  if (!DownloadStart(handle)) {
    std::fprintf(stderr, "kvdl: cannot start the download\n");
    return kExitFailed;
  }
  const bool terminal = platform::StandardErrorIsTerminal();
  const bool show = !arguments.quiet;
  auto last_plain_line = std::chrono::steady_clock::now();
  DownloadStatus status;
  std::size_t drawn = 0;
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (g_interrupted) DownloadStop(handle);  // again until the job is downloading and stops
    if (!DownloadQuery(handle, &status)) continue;
    if (Ended(status.state)) break;
    if (!show || status.state != kJobDownloading) continue;
    const std::string line = ProgressLine(status);
    if (terminal) {
      std::fprintf(stderr, "\r%s%*s", line.c_str(),
                   static_cast<int>(drawn > line.size() ? drawn - line.size() : 0), "");
      drawn = line.size();
    } else if (std::chrono::steady_clock::now() - last_plain_line >= std::chrono::seconds(1)) {
      std::fprintf(stderr, "%s\n", line.c_str());
      last_plain_line = std::chrono::steady_clock::now();
    }
  }
  if (show && terminal && drawn > 0) std::fprintf(stderr, "\n");
  if (status.state == kJobCompleted) {
    if (show) {
      std::fprintf(stderr, "kvdl: saved %s (%" PRId64 " bytes)\n", arguments.output.c_str(),
                   status.downloaded);
    }
    return kExitComplete;
  }
  if (g_interrupted) {
    std::fprintf(stderr,
                 "kvdl: interrupted; %" PRId64 " bytes saved, run the same command to resume\n",
                 status.downloaded);
    return kExitInterrupted;
  }
  if (status.state == kJobIncomplete) {
    std::fprintf(stderr, "kvdl: incomplete: %s (%" PRId64 " of %" PRId64 " bytes)\n",
                 status.error.c_str(), status.downloaded, status.total);
    return kExitIncomplete;
  }
  std::fprintf(stderr, "kvdl: failed: %s\n", status.error.c_str());
  return kExitFailed;
}

}  // namespace kvdl
