#include <windows.h>

#include <cstdio>
#include <mutex>

#include "log/log_sink.h"

namespace klog_detail {
namespace {

// The open log file. Records are written under the lock, each with one WriteFile call.
struct Sink {
  std::mutex lock;
  std::string name;
  std::wstring path;
  HANDLE file = INVALID_HANDLE_VALUE;
  std::uint64_t size = 0;
};

Sink& TheSink() {
  static Sink sink;
  return sink;
}

HANDLE OpenForAppending(const std::wstring& path, std::uint64_t& size) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER length{};
  size = file != INVALID_HANDLE_VALUE && GetFileSizeEx(file, &length) ? length.QuadPart : 0;
  return file;
}

// "2026-12-11 14:03:07,042": local time with milliseconds, as log4cpp's %d writes it.
std::string TimeStamp() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[32];
  std::snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u,%03u", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return text;
}

// The file becomes its ".1" backup (replacing the old one) and a new file is started.
void RollOver(Sink& sink) {
  CloseHandle(sink.file);
  const std::wstring backup = sink.path + L".1";
  MoveFileExW(sink.path.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
  sink.file = OpenForAppending(sink.path, sink.size);
}

}  // namespace

const char kLineEnd[] = "\r\n";

bool IsSinkOpen(const std::string& name) {
  Sink& sink = TheSink();
  std::lock_guard<std::mutex> guard(sink.lock);
  return !sink.name.empty() && sink.name == name;
}

void OpenSink(const std::string& name, const std::wstring& path) {
  Sink& sink = TheSink();
  std::lock_guard<std::mutex> guard(sink.lock);
  if (!sink.name.empty()) return;
  sink.name = name;
  sink.path = path;
  sink.file = OpenForAppending(path, sink.size);
}

void WriteToSink(int level, const std::string& text) {
  if (level < 0 || level > 3) return;
  Sink& sink = TheSink();
  std::lock_guard<std::mutex> guard(sink.lock);
  if (sink.file == INVALID_HANDLE_VALUE) return;
  // The file is written as a text-mode file is: every line feed, the message's own too, goes out
  // as CR LF.
  std::string record;
  record.reserve(text.size() + 32);
  for (char c : TimeStamp() + " " + text + "\n ") {
    if (c == '\n') record.push_back('\r');
    record.push_back(c);
  }
  DWORD written = 0;
  if (!WriteFile(sink.file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr)) {
    return;
  }
  sink.size += written;
  if (sink.size >= kMaxFileSize) RollOver(sink);
}

}  // namespace klog_detail
