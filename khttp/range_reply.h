// The check every answer to a range request passes before a byte of it is written.
#pragma once

#include <boost/system/error_code.hpp>
#include <cstdint>
#include <string>

#include "khttp/range_set.h"
#include "khttp/request_options.h"

namespace khttp {

/// A "Content-Range" value "bytes FIRST-LAST/TOTAL". False for anything else ("*" totals,
/// unsatisfied ranges, signs, blanks inside numbers, numbers beyond 63 bits, LAST < FIRST).
bool parse_content_range(const std::string& value, std::int64_t& first, std::int64_t& last,
                         std::int64_t& total);

/// Whether `response` (the stream's response options, "_status_code" first) carries exactly the
/// inclusive range `asked` of a file of `total` bytes:
/// - status 206 with a Content-Range of that start, end and total (and, when it has one, a
///   Content-Length of end - start + 1): no error;
/// - 206 of another total, or 200 to a request that sent If-Range: http_error::file_changed;
/// - any other status: http_error::range_not_honoured;
/// - a missing, malformed or different Content-Range or length: http_error::range_mismatch.
boost::system::error_code check_range_reply(const RequestOptions& response, byte_range asked,
                                            std::int64_t total, bool sent_if_range);

}  // namespace khttp
