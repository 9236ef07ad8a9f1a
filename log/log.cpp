#include "log/log.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

#include "log/log_sink.h"
#include "platform/file_name.h"
#include "platform/file_system.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

constexpr const char kFatalRecord[] = "***Fatal Error Check,Please Fix it!***";
constexpr const wchar_t kFatalRecordW[] = L"***Fatal Error Check,Please Fix it!***";

std::mutex& SetUpLock() {
  static std::mutex lock;
  return lock;
}

bool IsSetUp(const std::string& appender_name) { return klog_detail::IsSinkOpen(appender_name); }

std::wstring NormaliseFolder(std::wstring path) {
  const wchar_t separator = platform::kPathSeparator;
  if (separator == L'\\') {
    for (wchar_t& c : path) {
      if (c == L'/') c = L'\\';
    }
  }
  std::wstring collapsed;
  for (size_t i = 0; i < path.size(); ++i) {
    collapsed.push_back(path[i]);
    if (path[i] == separator && i + 1 < path.size() && path[i + 1] == separator) ++i;
  }
  if (!collapsed.empty() && collapsed.back() == separator) collapsed.pop_back();
  return collapsed;
}

}  // namespace

namespace klog_detail {
std::wstring Widen(const char* text) { return platform::NarrowToWide(text ? text : ""); }
}  // namespace klog_detail

std::string QualifiedFunctionName(const std::string& decorated) {
  int depth = 0;
  size_t name_start = 0;
  size_t open = std::string::npos;
  for (size_t i = 0; i < decorated.size(); ++i) {
    const char c = decorated[i];
    if (c == '<') ++depth;
    if (c == '>' && depth > 0) --depth;
    if (depth > 0) continue;
    if (c == ' ') name_start = i + 1;
    if (c == '(') {
      open = i;
      break;
    }
  }
  if (open == std::string::npos) return decorated;
  std::string name = decorated.substr(name_start, open - name_start);
  // A lambda reads "Outer::Function()::<lambda()>": keep what follows the enclosing function.
  depth = 0;
  for (size_t i = open; i < decorated.size(); ++i) {
    if (decorated[i] == '(') ++depth;
    if (decorated[i] == ')' && --depth == 0) {
      const std::string rest = decorated.substr(i + 1);
      if (rest.rfind("::", 0) == 0) name += rest;
      break;
    }
  }
  return name;
}

std::wstring GetModuleDir() {
  std::wstring path = platform::GetModulePath();
  const auto cut = path.find_last_of(platform::kPathSeparator);
  if (cut == std::wstring::npos) return {};
  return NormaliseFolder(path.substr(0, cut));
}

std::string GetModuleBaseName() {
  static const std::string base_name = [] {
    std::string name = platform::FileNamePart(platform::WideToNarrow(platform::GetModulePath()));
    return name.substr(0, name.find('.'));
  }();
  return base_name;
}

bool CreateDirectories(const std::wstring& path) {
  const std::wstring folder = NormaliseFolder(path);
  if (folder.empty()) return false;
  if (platform::PathExists(folder)) return true;
  const std::wstring walk = folder + platform::kPathSeparator;
  for (size_t i = 1; i < walk.size(); ++i) {
    if (walk[i] != platform::kPathSeparator) continue;
    const std::wstring prefix = walk.substr(0, i);
    if (!platform::PathExists(prefix)) platform::CreateOneDirectory(prefix);
  }
  platform::CreateOneDirectory(folder);
  return platform::IsDirectory(folder);
}

namespace {

// Sets the log up unless it is; the caller holds the set-up lock.
void SetUpLocked(const wchar_t* file_name, const wchar_t* folder) {
  const std::string appender_name = GetModuleBaseName();
  if (IsSetUp(appender_name)) return;
  const std::wstring log_folder =
      folder && *folder ? std::wstring(folder) : GetModuleDir() + platform::kPathSeparator + L"Log";
  CreateDirectories(log_folder);
  const std::wstring log_file = file_name && *file_name
                                    ? std::wstring(file_name)
                                    : platform::NarrowToWide(appender_name) + L".log";
  klog_detail::OpenSink(appender_name, log_folder + platform::kPathSeparator + log_file);
}

}  // namespace

// The explicit set-up takes the lock too: a worker's first record may be setting the log up
// lazily at the same moment, and only one of them may install the appender.
void InitLog(const wchar_t* file_name, const wchar_t* folder) {
  std::lock_guard<std::mutex> guard(SetUpLock());
  SetUpLocked(file_name, folder);
}

void LogWrite(int level, const std::string& text) {
  {
    std::lock_guard<std::mutex> guard(SetUpLock());
    SetUpLocked(nullptr, nullptr);
  }
  if (text.empty()) return;
  klog_detail::WriteToSink(level, text);
}

void LogLineA(bool with_location, const char* function, const char* source_file, int line,
              int level, const std::string& message) {
  if (!with_location) {
    LogWrite(level, message);
    return;
  }
  const std::string located = "[" +
                              platform::FileNamePart(std::string(source_file ? source_file : "")) +
                              ":" + std::to_string(line) + "][" +
                              QualifiedFunctionName(function ? function : "") + "] " + message;
  LogWrite(level, located);
}

void LogLineW(bool with_location, const wchar_t* function, const wchar_t* source_file, int line,
              int level, const std::wstring& message) {
  if (!with_location) {
    LogWrite(level, platform::WideToLogEncoding(message));
    return;
  }
  const std::string name = QualifiedFunctionName(platform::WideToUtf8(function ? function : L""));
  const std::wstring located =
      L"[" + platform::FileNamePart(std::wstring(source_file ? source_file : L"")) + L":" +
      std::to_wstring(line) + L"][" + platform::Utf8ToWide(name) + L"] " + message;
  LogWrite(level, platform::WideToLogEncoding(located));
}

void LogA(const char* function, const char* source_file, int line, int level, const char* format,
          ...) {
  if (!format || !*format) return;
  va_list arguments;
  va_start(arguments, format);
  va_list measure;
  va_copy(measure, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) {
    va_end(arguments);
    LogLineA(true, function, source_file, line, level, kFatalRecord);
    return;
  }
  std::vector<char> message(static_cast<size_t>(length) + 1);
  std::vsnprintf(message.data(), message.size(), format, arguments);
  va_end(arguments);
  LogLineA(false, function, source_file, line, level,
           std::string(message.data(), static_cast<size_t>(length)));
}

void LogW(const wchar_t* function, const wchar_t* source_file, int line, int level,
          const wchar_t* format, ...) {
  if (!format || !*format) return;
  va_list arguments;
  va_start(arguments, format);
  const auto message = platform::FormatWide(format, arguments);
  va_end(arguments);
  if (!message) {
    LogLineW(true, function, source_file, line, level, kFatalRecordW);
    return;
  }
  LogLineW(false, function, source_file, line, level, *message);
}
