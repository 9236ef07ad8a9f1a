#include "khttp/range_reply.h"

#include "khttp/http_error.h"

namespace khttp {
namespace {

// Decimal digits of `text` from `pos` up to a byte that is no digit; false when there is none or
// the value does not fit 63 bits.
bool ReadNumber(const std::string& text, std::size_t& pos, std::int64_t& value) {
  const std::size_t start = pos;
  value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    if (pos - start >= 18) return false;
    value = value * 10 + (text[pos] - '0');
    ++pos;
  }
  return pos > start;
}

void SkipBlanks(const std::string& text, std::size_t& pos) {
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
}

}  // namespace

bool parse_content_range(const std::string& value, std::int64_t& first, std::int64_t& last,
                         std::int64_t& total) {
  std::size_t pos = 0;
  SkipBlanks(value, pos);
  if (value.compare(pos, 5, "bytes") != 0) return false;
  pos += 5;
  const std::size_t after_unit = pos;
  SkipBlanks(value, pos);
  if (pos == after_unit) return false;
  if (!ReadNumber(value, pos, first) || pos >= value.size() || value[pos++] != '-') return false;
  if (!ReadNumber(value, pos, last) || pos >= value.size() || value[pos++] != '/') return false;
  if (!ReadNumber(value, pos, total)) return false;
  SkipBlanks(value, pos);
  return pos == value.size() && first <= last && last < total;
}

boost::system::error_code check_range_reply(const RequestOptions& response, byte_range asked,
                                            std::int64_t total, bool sent_if_range) {
  std::string status;
  response.Find(http_options::kStatusCode, status);
  if (status == "200" && sent_if_range) return make_error_code(http_error::file_changed);
  if (status != "206") return make_error_code(http_error::range_not_honoured);
  std::string content_range;
  std::int64_t first = 0;
  std::int64_t last = 0;
  std::int64_t reported_total = 0;
  if (!response.Find(http_options::kContentRange, content_range) ||
      !parse_content_range(content_range, first, last, reported_total)) {
    return make_error_code(http_error::range_mismatch);
  }
  if (reported_total != total) return make_error_code(http_error::file_changed);
  if (first != asked.left || last != asked.right) {
    return make_error_code(http_error::range_mismatch);
  }
  std::string length_text;
  if (response.Find(http_options::kContentLength, length_text)) {
    std::size_t pos = 0;
    std::int64_t length = 0;
    if (!ReadNumber(length_text, pos, length) || pos != length_text.size() ||
        length != last - first + 1) {
      return make_error_code(http_error::range_mismatch);
    }
  }
  return {};
}

}  // namespace khttp
