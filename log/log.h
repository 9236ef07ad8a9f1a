// The installer's log: printf-style records with the caller's location, written through log4cpp
// into one rolling file ("%d %m%n " records, 10 MiB, one ".1" backup). The first set-up of the
// process wins; a record written before any set-up opens "Log/<program>.log" beside the program.
#pragma once

#include <string>

/// Levels: 0 debug, 1 info, 2 warn, 3 error; any other number writes nothing.
enum LogLevel { kLogDebug = 0, kLogInfo = 1, kLogWarn = 2, kLogError = 3 };

/// Sets the log up with `file_name` in `folder` (either may be null or empty for the default)
/// unless it is already set up. Safe against a record being written on another thread: the
/// set-up lock makes the first of them win.
void InitLog(const wchar_t* file_name, const wchar_t* folder);

/// Formats and writes one record. `function` may be a bare or a compiler-decorated name. A
/// formatting failure writes "***Fatal Error Check,Please Fix it!***" with the call's location.
void LogA(const char* function, const char* source_file, int line, int level, const char* format,
          ...) __attribute__((format(printf, 5, 6)));

/// The wide form of LogA: %ls stands for wide text. Its record is written in the log's encoding.
void LogW(const wchar_t* function, const wchar_t* source_file, int line, int level,
          const wchar_t* format, ...);

/// Writes an already formatted message; with the location it reads "[file:line][function] text".
void LogLineA(bool with_location, const char* function, const char* source_file, int line,
              int level, const std::string& message);
void LogLineW(bool with_location, const wchar_t* function, const wchar_t* source_file, int line,
              int level, const std::wstring& message);

/// Hands one finished line to the log at `level`, setting the log up first if nobody did.
void LogWrite(int level, const std::string& text);

/// Creates a folder and its missing parents after normalising separators (doubled ones collapse,
/// one trailing one goes). True when the folder exists afterwards.
bool CreateDirectories(const std::wstring& path);

/// The running program's folder, without a trailing separator.
std::wstring GetModuleDir();

/// The running program's file name cut before its first ".": "Setup" for Setup.beta.exe.
std::string GetModuleBaseName();

/// The qualified name inside a compiler-decorated function name:
/// "void CMainFrameWnd::InitData()" gives "CMainFrameWnd::InitData".
std::string QualifiedFunctionName(const std::string& decorated);

namespace klog_detail {
std::wstring Widen(const char* text);
}

#define KV_LOG_WIDEN2(text) L##text
#define KV_LOG_WIDEN(text) KV_LOG_WIDEN2(text)

/// Records carrying the caller's function, file and line: KLOGA(kLogInfo, "Domain:%s", text).
#define KLOGA(level, ...) LogA(__PRETTY_FUNCTION__, __FILE__, __LINE__, level, __VA_ARGS__)
#define KLOGW(level, ...)                                                                        \
  LogW(klog_detail::Widen(__PRETTY_FUNCTION__).c_str(), KV_LOG_WIDEN(__FILE__), __LINE__, level, \
       __VA_ARGS__)
