#include "khttp/http_error.h"

#include <string>

namespace khttp {
namespace {

struct CodeText {
  int code;
  const char* text;
};

// 1006 and 1007 share their text: both are SOCKS4 answers about identd.
constexpr CodeText kMessages[] = {
    {1, "Malformed status line"},
    {2, "Malformed response headers"},
    {10, "invalid type requested from entry"},
    {11, "Invalid chunked encoding"},
    {12, "Invalid redirect address"},
    {20, "Redirect from https to http refused"},
    {21, "Connection closed before the end of the body"},
    {30, "Range request not answered with 206"},
    {31, "Answer does not match the range requested"},
    {32, "The file changed on the server"},
    {100, "Continue"},
    {101, "Switching protocols"},
    {200, "OK"},
    {201, "Created"},
    {202, "Accepted"},
    {203, "Non-authoritative information"},
    {204, "No content"},
    {205, "Reset content"},
    {206, "Partial content"},
    {300, "Multiple choices"},
    {301, "Moved permanently"},
    {302, "Found"},
    {303, "See other"},
    {304, "Not modified"},
    {305, "Use proxy"},
    {307, "Temporary redirect"},
    {400, "Bad request"},
    {401, "Unauthorized"},
    {402, "Payment required"},
    {403, "Forbidden"},
    {404, "Not found"},
    {405, "Method not allowed"},
    {406, "Not acceptable"},
    {407, "Proxy authentication required"},
    {408, "Request time-out"},
    {409, "Conflict"},
    {410, "Gone"},
    {411, "Length required"},
    {412, "Precondition failed"},
    {413, "Request entity too large"},
    {414, "Request URI too large"},
    {415, "Unsupported media type"},
    {416, "Requested range not satisfiable"},
    {417, "Expectation failed"},
    {500, "Internal server error"},
    {501, "Not implemented"},
    {502, "Bad gateway"},
    {503, "Service unavailable"},
    {504, "Gateway time-out"},
    {505, "HTTP version not supported"},
    {1000, "SOCKS unsupported version"},
    {1001, "SOCKS username required"},
    {1002, "SOCKS unsupported authentication version"},
    {1003, "SOCKS authentication error"},
    {1004, "SOCKS general failure"},
    {1005, "SOCKS command not supported"},
    {1006, "SOCKS no identd running"},
    {1007, "SOCKS no identd running"},
    {1008, "Fake continue"},
};

const char* Message(int code) {
  for (const auto& row : kMessages) {
    if (row.code == code) return row.text;
  }
  return "Unknown HTTP error";
}

class http_error_category : public boost::system::error_category {
 public:
  const char* name() const noexcept override { return "HTTP"; }

  std::string message(int code) const override { return Message(code); }

  boost::system::error_condition default_error_condition(int code) const noexcept override {
    switch (code) {
      case http_status::kUnauthorized:
      case http_status::kForbidden:
        return boost::system::errc::make_error_condition(boost::system::errc::permission_denied);
      case http_status::kNotFound:
        return boost::system::errc::make_error_condition(
            boost::system::errc::no_such_file_or_directory);
      default:
        return boost::system::error_condition(code, *this);
    }
  }
};

}  // namespace

const boost::system::error_category& http_category() {
  static const http_error_category category;
  return category;
}

boost::system::error_code make_error_code(http_error code) {
  return boost::system::error_code(static_cast<int>(code), http_category());
}

boost::system::error_code make_status_error(int status) {
  return boost::system::error_code(status, http_category());
}

}  // namespace khttp
