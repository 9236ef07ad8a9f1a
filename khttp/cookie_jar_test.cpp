#include "khttp/cookie_jar.h"

#include <gtest/gtest.h>

#include <boost/date_time/posix_time/posix_time.hpp>

namespace khttp {
namespace {

using boost::posix_time::hours;
using boost::posix_time::ptime;
using boost::posix_time::seconds;
using boost::posix_time::time_from_string;

const ptime kNow = time_from_string("2024-05-01 12:00:00");

std::string Names(const CookieJar& jar) {
  std::string names;
  for (const auto& cookie : jar.Cookies()) names += cookie.name + "=" + cookie.value + ";";
  return names;
}

struct SetCookieCase {
  const char* header;
  const char* stored;  // name=value; of every cookie the jar holds afterwards, in order
};

TEST(CookieJar, ParsesSetCookieValues) {
  const SetCookieCase kCases[] = {
      {"a=1", "a=1;"},
      {"a=1; b=2; Path=/; Secure", "a=1;b=2;"},
      {"b=2; a=1", "a=1;b=2;"},  // one value's cookies are kept in name order
      {"x=1; foo; y=2", ""},     // an unknown flag followed by more: the value is rejected
      {"x=1; foo", "x=1;"},      // an unknown flag at the end is ignored
      {"n=", ""},                // an empty value at the end is no cookie
      {"n=; m=2", "m=2;n=;"},    // an empty value before ";" is
      {"a=1; a=2", "a=2;"},      // the later pair of a name wins
      {"  sp=1", "sp=1;"},
      {"a b=1", "b=1;"},                     // a space inside a name starts the name anew
      {"x:y=1", "y=1;"},                     //
      {"q=\"a;b\"; r=2", "q=\"a;b\";r=2;"},  // a quoted value keeps its quotes and semicolons
      {"q='x'y; r=2", "q='x'y;r=2;"},
      {"q=\"open", "q=\"open;"},  // an unclosed quote runs to the end
      {"v=caf\xC3\xA9", ""},      // bytes of 0x80 or above reject the value
      {"\xC3\xA9=1", ""},
      {"a=1; \xC3\xA9t=2", ""},
      {"a=1\r\nHost: evil", ""},  // control characters could end the request's header line
      {"a=1; b\n=2", ""},
      {"a=x\x7Fy", ""},
      {"a=x\ty", "a=x\ty;"},
      {"a=1;; b=2", "a=1;b=2;"},  // an empty part between semicolons is nothing
      {"a = 1", ""},              // the blank discards "a"; an unnamed pair is no cookie
      {"", ""},
      {";;;", ""},
      {"id=7; Expires=Wed, 09 Jun 2031 10:18:14 GMT; Domain=.example; Max-Age=60; SameSite=Lax",
       "id=7;"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.header);
    CookieJar jar;
    jar.AddSetCookie(c.header, kNow);
    EXPECT_EQ(Names(jar), c.stored);
  }
}

TEST(CookieJar, AttributesAreSharedByTheCookiesOfOneValue) {
  CookieJar jar;
  jar.AddSetCookie("a=1; b=2; Path=/; Domain=h.example; Secure; HttpOnly", kNow);
  ASSERT_EQ(jar.Cookies().size(), 2u);
  for (const auto& cookie : jar.Cookies()) {
    EXPECT_EQ(cookie.path, "/");
    EXPECT_EQ(cookie.domain, "h.example");
    EXPECT_TRUE(cookie.secure);
    EXPECT_TRUE(cookie.httponly);
    EXPECT_FALSE(cookie.expiry);
  }
  EXPECT_EQ(jar.BuildCookieHeader(true, kNow), "a=1; b=2");
  EXPECT_EQ(jar.BuildCookieHeader(false, kNow), "");
}

TEST(CookieJar, ExpiryDecidesWhatIsSent) {
  CookieJar jar;
  jar.AddSetCookie("past=v; expires=Wed, 09 Jun 2021 10:18:14 GMT", kNow);
  jar.AddSetCookie("hour=v; expires=3600", kNow);
  jar.AddSetCookie("gone=v; expires=-1", kNow);
  jar.AddSetCookie("aged=v; Max-Age=60; Expires=Fri, 31 Dec 9999 23:59:59 GMT", kNow);
  jar.AddSetCookie("forever=v; expires=Fri, 31 Dec 9999 23:59:59 GMT", kNow);
  jar.AddSetCookie("empty=; forever2=w", kNow);
  ASSERT_EQ(jar.Cookies().size(), 7u) << "expired cookies stay in the jar";
  EXPECT_EQ(*jar.Cookies()[1].expiry, kNow + hours(1));

  EXPECT_EQ(jar.BuildCookieHeader(false, kNow), "aged=v; forever=v; forever2=w; hour=v");
  EXPECT_EQ(jar.BuildCookieHeader(false, kNow + seconds(61)), "forever=v; forever2=w; hour=v");
  EXPECT_EQ(jar.BuildCookieHeader(false, kNow + hours(2)), "forever=v; forever2=w");
}

TEST(CookieJar, ACookieOfTheSameNameDomainAndPathReplacesTheOldOne) {
  CookieJar jar;
  jar.AddSetCookie("s=1; Path=/", kNow);
  jar.AddSetCookie("t=1", kNow);
  jar.AddSetCookie("s=2; Path=/", kNow);
  jar.AddSetCookie("s=3; Path=/other", kNow);
  EXPECT_EQ(Names(jar), "s=2;t=1;s=3;");
  EXPECT_EQ(jar.BuildCookieHeader(false, kNow), "s=2; s=3; t=1");
  // A rejected value changes nothing.
  jar.AddSetCookie("s=9; bogus; Path=/", kNow);
  EXPECT_EQ(Names(jar), "s=2;t=1;s=3;");
}

TEST(CookieJar, SendsWithTheRealClock) {
  CookieJar jar;
  jar.AddSetCookie("a=1; expires=3600");
  jar.AddSetCookie("b=1; expires=Thu, 01 Jan 1970 00:00:01 GMT");
  EXPECT_EQ(jar.BuildCookieHeader(false), "a=1");
}

}  // namespace
}  // namespace khttp
