#include "khttp/http_response_parser.h"

#include <utility>
#include <vector>

#include "khttp/ascii.h"
#include "khttp/http_error.h"

namespace khttp {
namespace {

constexpr int kMaxNumber = 999;  // status codes and version numbers

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A byte allowed in a reason phrase or a header value: no control bytes (a tab only where
// `tab_allowed`).
bool IsTextByte(char c, bool tab_allowed) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte == '\t') return tab_allowed;
  return byte >= 0x20 && byte != 0x7F;
}

bool IsNameByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte < 0x21 || byte > 0x7E) return false;
  switch (c) {
    case ':':
    case '^':
    case '`':
    case '{':
    case '|':
    case '}':
      return false;
    default:
      return true;
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Reads digits at `pos` into `value` (no more than kMaxNumber); false when there are none or the
// number is too large.
bool ReadNumber(std::string_view text, std::size_t& pos, int& value) {
  const std::size_t start = pos;
  value = 0;
  while (pos < text.size() && IsDigit(text[pos])) {
    value = value * 10 + (text[pos] - '0');
    if (value > kMaxNumber) return false;
    ++pos;
  }
  return pos > start;
}

// A decimal number of 1 to 18 digits and nothing else (so it fits an int64).
bool ParseDecimal(std::string_view text, std::int64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// The last element of a comma-separated list, trimmed.
std::string_view LastListElement(std::string_view list) {
  const auto comma = list.rfind(',');
  return Trimmed(comma == std::string_view::npos ? list : list.substr(comma + 1));
}

bool ListHas(std::string_view list, std::string_view token) {
  while (!list.empty()) {
    const auto comma = list.find(',');
    const auto element = Trimmed(list.substr(0, comma));
    if (EqualsIgnoringCase(std::string(element), std::string(token))) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

// Takes what the stream needs from one header.
bool Interpret(const std::string& name, const std::string& value, header_facts& facts) {
  if (EqualsIgnoringCase(name, http_options::kContentType)) {
    facts.content_type = value;
  } else if (EqualsIgnoringCase(name, http_options::kContentLength)) {
    std::int64_t length = 0;
    if (!ParseDecimal(value, length)) return false;
    if (facts.content_length != -1 && facts.content_length != length) return false;
    facts.content_length = length;
  } else if (EqualsIgnoringCase(name, "Location")) {
    facts.location = value;
  } else if (EqualsIgnoringCase(name, http_options::kContentRange)) {
    const auto slash = value.find('/');
    std::int64_t total = 0;
    if (slash != std::string::npos &&
        ParseDecimal(std::string_view(value).substr(slash + 1), total)) {
      facts.range_total = total;
    }
  } else if (EqualsIgnoringCase(name, http_options::kTransferEncoding)) {
    facts.chunked = EqualsIgnoringCase(std::string(LastListElement(value)), "chunked");
  } else if (EqualsIgnoringCase(name, http_options::kConnection)) {
    if (ListHas(value, "close")) facts.connection_close = true;
  }
  return true;
}

}  // namespace

std::size_t ParseStatusLine(std::string_view text, status_line& line) {
  constexpr std::string_view kPrefix = "HTTP/";
  if (text.substr(0, kPrefix.size()) != kPrefix) return 0;
  std::size_t pos = kPrefix.size();
  if (!ReadNumber(text, pos, line.major_version)) return 0;
  if (pos >= text.size() || text[pos] != '.') return 0;
  ++pos;
  if (!ReadNumber(text, pos, line.minor_version)) return 0;
  if (pos >= text.size() || text[pos] != ' ') return 0;
  ++pos;
  if (!ReadNumber(text, pos, line.status)) return 0;
  if (pos >= text.size() || text[pos] != ' ') return 0;
  ++pos;
  const std::size_t reason_start = pos;
  while (pos < text.size() && IsTextByte(text[pos], false)) ++pos;
  if (text.substr(pos, 2) != "\r\n") return 0;
  line.reason.assign(text.substr(reason_start, pos - reason_start));
  return pos + 2;
}

bool ParseHeaderBlock(std::string_view block, RequestOptions& headers, header_facts& facts) {
  std::vector<std::pair<std::string, std::string>> fields;
  std::size_t pos = 0;
  for (;;) {
    const auto end = block.find("\r\n", pos);
    if (end == std::string_view::npos) return false;  // the empty line never came
    const std::string_view line = block.substr(pos, end - pos);
    pos = end + 2;
    if (line.empty()) break;
    if (IsBlank(line.front())) {
      if (fields.empty()) return false;  // nothing to continue
      std::size_t start = 0;
      while (start < line.size() && IsBlank(line[start])) ++start;
      for (std::size_t i = start; i < line.size(); ++i) {
        if (!IsTextByte(line[i], true)) return false;
      }
      fields.back().second.append(line.substr(start));
      continue;
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    for (std::size_t i = 0; i < colon; ++i) {
      if (!IsNameByte(line[i])) return false;
    }
    for (std::size_t i = colon + 1; i < line.size(); ++i) {
      if (!IsTextByte(line[i], true)) return false;
    }
    fields.emplace_back(std::string(line.substr(0, colon)), std::string(line.substr(colon + 1)));
  }
  for (auto& field : fields) {
    const std::string value(Trimmed(field.second));
    if (!Interpret(field.first, value, facts)) return false;
    headers.Insert(field.first, value);
  }
  return true;
}

head_scanner::result head_scanner::Scan(std::string_view received, std::size_t& head_size) {
  if (!status_seen_) {
    constexpr std::string_view kPrefix = "HTTP/";
    if (received.substr(0, kPrefix.size()) != kPrefix.substr(0, received.size())) {
      return result::malformed_status;
    }
    const auto crlf = received.find("\r\n");
    if (crlf == std::string_view::npos) {
      return received.size() > kMaxResponseHead ? result::malformed_status : result::need_more;
    }
    status_line line;
    if (ParseStatusLine(received, line) == 0) return result::malformed_status;
    status_seen_ = true;
    searched_ = crlf;  // the status line's CR LF may start the empty line
  }
  const auto end = received.find("\r\n\r\n", searched_);
  if (end == std::string_view::npos) {
    if (received.size() > kMaxResponseHead) return result::too_long;
    if (received.size() > searched_ + 3) searched_ = received.size() - 3;
    return result::need_more;
  }
  head_size = end + 4;
  return head_size > kMaxResponseHead ? result::too_long : result::complete;
}

bool ParseChunkSizeLine(std::string_view line, std::uint64_t& size) {
  size = 0;
  std::size_t pos = 0;
  while (pos < line.size()) {
    const char c = line[pos];
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (digit < 0) break;
    if (pos == 16) return false;  // beyond 64 bits
    size = size * 16 + static_cast<std::uint64_t>(digit);
    ++pos;
  }
  if (pos == 0) return false;
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
  return pos == line.size() || line[pos] == ';';
}

}  // namespace khttp

namespace khttp {

boost::system::error_code ParseResponseHead(std::string_view head, response_head& out) {
  out = response_head();
  const std::size_t line_size = ParseStatusLine(head, out.line);
  if (line_size == 0) return http_error::malformed_status_line;
  if (!ParseHeaderBlock(head.substr(line_size), out.headers, out.facts)) {
    return http_error::malformed_response_headers;
  }
  return {};
}

}  // namespace khttp
