#include "khttp/cookie_date.h"

#include <gtest/gtest.h>

#include <boost/date_time/posix_time/posix_time.hpp>

namespace khttp {
namespace {

using boost::posix_time::time_from_string;

struct DateCase {
  const char* text;
  const char* utc;  // "YYYY-MM-DD hh:mm:ss"
};

TEST(ParseCookieDate, ReadsTheFormsServersSend) {
  const DateCase kDates[] = {
      // RFC 1123
      {"Wed, 09 Jun 2021 10:18:14 GMT", "2021-06-09 10:18:14"},
      {"wed, 09 jun 2021 10:18:14 gmt", "2021-06-09 10:18:14"},
      {"Fri, 31 Dec 9999 23:59:59 GMT", "9999-12-31 23:59:59"},
      {"Thu, 01 Jan 1970 00:00:00 GMT", "1970-01-01 00:00:00"},
      {"Sun, 29 Feb 2024 08:00:00 UTC", "2024-02-29 08:00:00"},
      // RFC 850 with two-digit years
      {"Wednesday, 09-Jun-21 10:18:14 GMT", "2021-06-09 10:18:14"},
      {"Sunday, 06-Nov-94 08:49:37 GMT", "1994-11-06 08:49:37"},
      {"Thursday, 01-Jan-70 00:00:00 GMT", "2070-01-01 00:00:00"},
      {"Friday, 01-Jan-71 00:00:00 GMT", "1971-01-01 00:00:00"},
      // asctime, no zone
      {"Wed Jun  9 10:18:14 2021", "2021-06-09 10:18:14"},
      {"Sun Nov  6 08:49:37 1994", "1994-11-06 08:49:37"},
      // zone names move the time to UTC
      {"Wed, 09 Jun 2021 10:18:14 EST", "2021-06-09 15:18:14"},
      {"Wed, 09 Jun 2021 10:18:14 CEST", "2021-06-09 08:18:14"},
      {"Wed, 09 Jun 2021 10:18:14 JST", "2021-06-09 01:18:14"},
      {"Wed, 09 Jun 2021 10:18:14 NZDT", "2021-06-08 21:18:14"},
      {"Wed, 09 Jun 2021 10:18:14 Z", "2021-06-09 10:18:14"},
      {"Wed, 09 Jun 2021 10:18:14 A", "2021-06-09 11:18:14"},
      {"Wed, 09 Jun 2021 10:18:14 Y", "2021-06-08 22:18:14"},
      // numeric zones: "+" is east of UTC
      {"Wed, 09 Jun 2021 10:18:14 +0200", "2021-06-09 08:18:14"},
      {"Wed, 09 Jun 2021 10:18:14 -0530", "2021-06-09 15:48:14"},
      {"Wed, 09 Jun 2021 23:30:00 -1400", "2021-06-10 13:30:00"},
      // hh:mm, missing time, yyyymmdd, extra parts
      {"09 Jun 2021 10:18", "2021-06-09 10:18:00"},
      {"Jun 9 2021", "2021-06-09 00:00:00"},
      {"20210609", "2021-06-09 00:00:00"},
      {"2021 Jun 9", "2021-06-09 00:00:00"},
      {"Wed, 09 Jun 2021 10:18:14 GMT and more words", "2021-06-09 10:18:14"},
  };
  for (const auto& c : kDates) {
    SCOPED_TRACE(c.text);
    const auto date = ParseCookieDate(c.text);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(*date, time_from_string(c.utc));
  }
}

TEST(ParseCookieDate, RefusesWhatIsNoDate) {
  const char* const kNotDates[] = {
      "",
      "3600",                               // a number of seconds, not a date
      "Wed, 09 Foo 2021 10:18:14 GMT",      // an unknown word
      "Wed, 09 June 2021 10:18:14 GMT",     // month names are three letters
      "Wed, 09 2021 10:18:14 GMT",          // no month
      "Wed, Jun 2021 10:18:14 GMT",         // no day: 2021 is the year, nothing is the day
      "Wed, 09 Jun 10:18:14 GMT",           // no year
      "Wed, 09 Jun 1969 23:59:59 GMT",      // before 1970
      "Wed, 09 Jun 2021 2022 10:18:14",     // two years
      "Tue, 30 Feb 2021 10:00:00 GMT",      // a day February does not have
      "Wed, 09 Jun 2021 25:00:00 GMT",      // an hour the day does not have
      "Wed, 09 Jun Jul 2021 10:18:14 GMT",  // two months
      "99999999",                           // yyyymmdd with month 99
      "Wed, 09 Jun 123456789012345678901234567890 GMT",
  };
  for (const char* text : kNotDates) {
    EXPECT_FALSE(ParseCookieDate(text).has_value()) << text;
  }
}

TEST(ParseCookieDate, DatesNearTheEndOfTheCalendarStayDates) {
  // The last second of year 9999 in a zone west of UTC lies beyond the calendar.
  const auto west = ParseCookieDate("Fri, 31 Dec 9999 23:59:59 EST");
  EXPECT_TRUE(!west || !west->is_special());
  const auto east = ParseCookieDate("Fri, 31 Dec 9999 23:59:59 +1400");
  ASSERT_TRUE(east.has_value());
  EXPECT_EQ(*east, time_from_string("9999-12-31 09:59:59"));
}

}  // namespace
}  // namespace khttp
