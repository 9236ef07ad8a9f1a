// The error category "HTTP": HTTP status codes (as their own numbers), parse errors of the
// stream, SOCKS failures and the resume file's entry type error.
#pragma once

#include <boost/system/error_code.hpp>

namespace khttp {

/// The engine's own codes. A status the server answers with (other than 200 and 206) is an error
/// of the same category whose value is the status number; see `make_status_error`.
enum class http_error : int {
  malformed_status_line = 1,
  malformed_response_headers = 2,
  invalid_entry_type = 10,  // a resume-file entry read as the wrong kind
  invalid_chunked_encoding = 11,
  invalid_redirect = 12,    // the Location of a 301/302 is not a URL
  insecure_redirect = 20,   // an https URL redirected to plain http: refused
  body_truncated = 21,      // the connection ended before the body did
  range_not_honoured = 30,  // a range request answered with another status than 206
  range_mismatch = 31,      // a Content-Range (or length) other than the range asked for
  file_changed = 32,        // the server's file is no longer the one being downloaded
  socks_unsupported_version = 1000,
  socks_username_required = 1001,
  socks_unsupported_authentication_version = 1002,
  socks_authentication_error = 1003,
  socks_general_failure = 1004,
  socks_command_not_supported = 1005,
  socks_no_identd = 1006,
  socks_identd_error = 1007,
  fake_continue = 1008,
};

/// The HTTP status numbers the engine looks at by name.
namespace http_status {
inline constexpr int kContinue = 100;
inline constexpr int kOk = 200;
inline constexpr int kPartialContent = 206;
inline constexpr int kMovedPermanently = 301;
inline constexpr int kFound = 302;
inline constexpr int kUnauthorized = 401;
inline constexpr int kForbidden = 403;
inline constexpr int kNotFound = 404;
inline constexpr int kMethodNotAllowed = 405;
}  // namespace http_status

/// The category named "HTTP". Its messages are fixed English texts ("Not found", "SOCKS general
/// failure"); a code it does not know reads "Unknown HTTP error". 401 and 403 are equivalent to
/// the generic condition permission_denied, 404 to no_such_file_or_directory.
const boost::system::error_category& http_category();

boost::system::error_code make_error_code(http_error code);

/// The error for an HTTP status number, whether or not the category has a text for it.
boost::system::error_code make_status_error(int status);

}  // namespace khttp

namespace boost {
namespace system {
template <>
struct is_error_code_enum<khttp::http_error> {
  static const bool value = true;
};
}  // namespace system
}  // namespace boost
