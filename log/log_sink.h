// The log's file: one rolling file per process, written in "%d %m%n " records (the time stamp
// "2026-12-11 14:03:07,042", a blank, the message, the line end, and a blank that leads the next
// record), 10 MiB, one ".1" backup. log4cpp writes it on Linux; Windows has a sink of its own.
#pragma once

#include <string>

namespace klog_detail {

/// The line end of a record: CR LF on Windows, LF on Linux. On Windows a message's own line feeds
/// are written as CR LF too (the file is a text-mode file there).
extern const char kLineEnd[];

/// The size at which the file rolls over to its ".1" backup.
constexpr std::size_t kMaxFileSize = std::size_t{10} * 1024 * 1024;

/// True once OpenSink has set the log up under `name`.
bool IsSinkOpen(const std::string& name);

/// Sets the log up under `name`, writing to `path` (appending to what is there).
void OpenSink(const std::string& name, const std::wstring& path);

/// Writes one record at `level` (0 debug to 3 error; other levels write nothing).
void WriteToSink(int level, const std::string& text);

}  // namespace klog_detail
