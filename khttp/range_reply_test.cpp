#include "khttp/range_reply.h"

#include <gtest/gtest.h>

#include "khttp/http_error.h"

namespace khttp {
namespace {

RequestOptions Response(const std::string& status, const std::string& content_range,
                        const std::string& length = "") {
  RequestOptions response;
  response.Insert(http_options::kStatusCode, status);
  if (!content_range.empty()) response.Insert(http_options::kContentRange, content_range);
  if (!length.empty()) response.Insert(http_options::kContentLength, length);
  return response;
}

TEST(RangeReply, OnlyTheRangeAskedForOfTheKnownTotalPasses) {
  const byte_range asked{1000, 1999};
  const std::int64_t total = 10000;
  struct Case {
    const char* name;
    RequestOptions response;
    bool sent_if_range;
    boost::system::error_code expected;
  };
  const Case cases[] = {
      {"exact", Response("206", "bytes 1000-1999/10000", "1000"), false, {}},
      {"exact, blanks around", Response("206", "  bytes   1000-1999/10000 "), false, {}},
      {"200 ignoring the range", Response("200", "", "10000"), false,
       make_error_code(http_error::range_not_honoured)},
      {"200 to If-Range: the file changed", Response("200", "", "10000"), true,
       make_error_code(http_error::file_changed)},
      {"another total: the file changed", Response("206", "bytes 1000-1999/10001"), false,
       make_error_code(http_error::file_changed)},
      {"another start", Response("206", "bytes 1001-1999/10000"), false,
       make_error_code(http_error::range_mismatch)},
      {"a longer range", Response("206", "bytes 1000-2000/10000"), false,
       make_error_code(http_error::range_mismatch)},
      {"a shorter range", Response("206", "bytes 1000-1998/10000"), false,
       make_error_code(http_error::range_mismatch)},
      {"a length that is not the range's", Response("206", "bytes 1000-1999/10000", "999"), false,
       make_error_code(http_error::range_mismatch)},
      {"no Content-Range", Response("206", ""), false, make_error_code(http_error::range_mismatch)},
      {"an unknown total", Response("206", "bytes 1000-1999/*"), false,
       make_error_code(http_error::range_mismatch)},
      {"416", Response("416", "bytes */10000"), false,
       make_error_code(http_error::range_not_honoured)},
  };
  for (const auto& row : cases) {
    EXPECT_EQ(check_range_reply(row.response, asked, total, row.sent_if_range), row.expected)
        << row.name;
  }
}

TEST(RangeReply, ContentRangeValues) {
  struct Case {
    const char* text;
    bool valid;
    std::int64_t first, last, total;
  };
  const Case cases[] = {
      {"bytes 0-0/1", true, 0, 0, 1},
      {"bytes 524288-1048575/100000000", true, 524288, 1048575, 100000000},
      {"bytes 5-4/10", false, 0, 0, 0},
      {"bytes 0-10/10", false, 0, 0, 0},
      {"bytes -1-5/10", false, 0, 0, 0},
      {"bytes 0-5/", false, 0, 0, 0},
      {"bytes0-5/10", false, 0, 0, 0},
      {"items 0-5/10", false, 0, 0, 0},
      {"bytes 0-5/10x", false, 0, 0, 0},
      {"bytes 0 -5/10", false, 0, 0, 0},
      {"bytes 0-99999999999999999999/1", false, 0, 0, 0},
  };
  for (const auto& row : cases) {
    std::int64_t first = 0, last = 0, total = 0;
    EXPECT_EQ(parse_content_range(row.text, first, last, total), row.valid) << row.text;
    if (row.valid) {
      EXPECT_EQ(first, row.first);
      EXPECT_EQ(last, row.last);
      EXPECT_EQ(total, row.total);
    }
  }
}

}  // namespace
}  // namespace khttp
