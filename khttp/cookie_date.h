// The expiry dates servers write in "set-cookie" values.
#pragma once

#include <boost/date_time/posix_time/ptime.hpp>
#include <optional>
#include <string>

namespace khttp {

/// Reads a cookie date in any of the forms servers send: RFC 1123 ("Wed, 09 Jun 2021 10:18:14
/// GMT"), RFC 850 ("Wednesday, 09-Jun-21 10:18:14 GMT"), asctime ("Wed Jun  9 10:18:14 2021"),
/// with a zone name of the usual table or a numeric zone ("+0200"), years of two or four digits
/// and yyyymmdd. The answer is in UTC; nothing when the text is no date, names a day the
/// calendar does not have, or lies before 1970.
std::optional<boost::posix_time::ptime> ParseCookieDate(const std::string& text);

}  // namespace khttp
