// The head of an HTTP response as text: its status line, its header block and the size lines of
// a chunked body. Pure functions over bytes already received; the stream does the reading.
#pragma once

#include <boost/system/error_code.hpp>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "khttp/request_options.h"

namespace khttp {

/// The largest response head (status line and header block) the stream accepts; a longer one is
/// malformed rather than a reason to grow without bound.
inline constexpr std::size_t kMaxResponseHead = std::size_t{64} * 1024;
/// The largest chunk-size line or trailer line of a chunked body.
inline constexpr std::size_t kMaxChunkLine = std::size_t{4} * 1024;

struct status_line {
  int major_version = 0;
  int minor_version = 0;
  int status = 0;
  std::string reason;
};

/// Parses "HTTP/" digits "." digits, one blank, the status (at most three digits' worth: up to
/// 999), one blank, a reason phrase without control bytes (may be empty), CR LF, at the start of
/// `text`. Returns the length of the line with its CR LF, or 0 when `text` does not start with
/// such a line. "HTTP/1.1 200\r\n" (no blank after the status) is no status line.
std::size_t ParseStatusLine(std::string_view text, status_line& line);

/// What the stream takes from a response's headers.
struct header_facts {
  std::string content_type;
  std::int64_t content_length = -1;  // this response's Content-Length; -1 when it has none
  std::int64_t range_total = -1;     // the size after "/" in Content-Range; -1 when none or "*"
  std::string location;
  bool chunked = false;           // the last transfer coding is "chunked"
  bool connection_close = false;  // Connection: close
};

/// Parses a header block: lines "name: value" ending with CR LF, then an empty line (CR LF).
/// A name is one or more bytes of 0x21-0x7E other than ':' '^' '`' '{' '|' '}'; a value holds no
/// control bytes but tabs. A line that starts with a blank or tab continues the previous value:
/// its leading blanks are dropped and the rest is appended directly. Names and values are trimmed
/// and appended to `headers` in order. `block` must be the whole block, empty line included.
/// False when it is malformed, also for a Content-Length that is not a decimal number or that
/// disagrees with an earlier one.
bool ParseHeaderBlock(std::string_view block, RequestOptions& headers, header_facts& facts);

/// Finds the end of a response head in the bytes received so far. Feed it the received text
/// again after each read (the text only grows); it remembers how far it has looked.
class head_scanner {
 public:
  enum class result { need_more, complete, malformed_status, too_long };

  /// On `complete`, `head_size` is the length of the head including its empty line.
  result Scan(std::string_view received, std::size_t& head_size);
  /// True once a whole status line was seen (so that the end of the stream now means a
  /// truncated header block rather than no answer at all).
  bool SawStatusLine() const { return status_seen_; }
  void Reset() { *this = head_scanner(); }

 private:
  std::size_t searched_ = 0;
  bool status_seen_ = false;
};

/// Reads a chunk-size line (without its CR LF): one to sixteen hexadecimal digits, then
/// optionally blanks and ";" chunk extensions, which are ignored. False for anything else.
bool ParseChunkSizeLine(std::string_view line, std::uint64_t& size);

}  // namespace khttp

namespace khttp {

/// A parsed response head.
struct response_head {
  status_line line;
  RequestOptions headers;
  header_facts facts;
};

/// Parses a whole head as found by head_scanner (status line, header block, empty line).
/// Code 1 for a bad status line, code 2 for a bad header block (category "HTTP").
boost::system::error_code ParseResponseHead(std::string_view head, response_head& out);

}  // namespace khttp
