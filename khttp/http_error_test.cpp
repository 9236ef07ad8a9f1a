#include "khttp/http_error.h"

#include <gtest/gtest.h>

namespace khttp {
namespace {

TEST(HttpError, CategoryNamesAndMessages) {
  EXPECT_STREQ(http_category().name(), "HTTP");
  const std::pair<int, const char*> kMessages[] = {
      {1, "Malformed status line"},
      {2, "Malformed response headers"},
      {10, "invalid type requested from entry"},
      {11, "Invalid chunked encoding"},
      {12, "Invalid redirect address"},
      {100, "Continue"},
      {200, "OK"},
      {206, "Partial content"},
      {307, "Temporary redirect"},
      {404, "Not found"},
      {408, "Request time-out"},
      {416, "Requested range not satisfiable"},
      {505, "HTTP version not supported"},
      {1000, "SOCKS unsupported version"},
      {1006, "SOCKS no identd running"},
      {1007, "SOCKS no identd running"},
      {1008, "Fake continue"},
      {306, "Unknown HTTP error"},
      {999, "Unknown HTTP error"},
      {0, "Unknown HTTP error"},
      {-1, "Unknown HTTP error"},
  };
  for (const auto& [code, text] : kMessages) {
    EXPECT_EQ(http_category().message(code), text) << code;
  }
}

TEST(HttpError, NamedCodesAndStatusesLiveInTheCategory) {
  const boost::system::error_code entry = http_error::invalid_entry_type;
  EXPECT_EQ(entry.value(), 10);
  EXPECT_EQ(&entry.category(), &http_category());
  EXPECT_EQ(entry.message(), "invalid type requested from entry");

  const auto teapot = make_status_error(418);
  EXPECT_EQ(teapot.value(), 418);
  EXPECT_EQ(teapot.message(), "Unknown HTTP error");
  EXPECT_EQ(make_status_error(403), make_status_error(403));
  EXPECT_NE(make_status_error(403), make_status_error(404));
}

TEST(HttpError, MapsToPortableConditions) {
  using boost::system::errc::no_such_file_or_directory;
  using boost::system::errc::permission_denied;
  EXPECT_EQ(make_status_error(404), no_such_file_or_directory);
  EXPECT_EQ(make_status_error(403), permission_denied);
  EXPECT_EQ(make_status_error(401), permission_denied);
  EXPECT_NE(make_status_error(405), permission_denied);
  EXPECT_NE(make_status_error(500), no_such_file_or_directory);

  const auto condition = http_category().default_error_condition(500);
  EXPECT_EQ(condition.value(), 500);
  EXPECT_EQ(&condition.category(), &http_category());
  // A generic error with the same number is not an HTTP status.
  EXPECT_NE(boost::system::error_code(404, boost::system::generic_category()),
            make_status_error(404));
}

}  // namespace
}  // namespace khttp
