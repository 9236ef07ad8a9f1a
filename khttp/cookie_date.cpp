#include "khttp/cookie_date.h"

#include <boost/date_time/gregorian/gregorian_types.hpp>
#include <boost/date_time/posix_time/posix_time_types.hpp>
#include <cstdint>
#include <exception>

#include "khttp/ascii.h"

namespace khttp {
namespace {

struct ZoneOffset {
  const char* name;
  int minutes_west;  // of UTC
};

// The zone names cookie dates carry: the common abbreviations and the military letters
// (A–I, K–M east of UTC counting down, N–Y west, Z for UTC; J is not a zone).
constexpr ZoneOffset kZones[] = {
    {"GMT", 0},     {"UTC", 0},     {"WET", 0},     {"BST", -60},   {"WAT", 60},    {"AST", 240},
    {"ADT", 180},   {"EST", 300},   {"EDT", 240},   {"CST", 360},   {"CDT", 300},   {"MST", 420},
    {"MDT", 360},   {"PST", 480},   {"PDT", 420},   {"YST", 540},   {"YDT", 480},   {"HST", 600},
    {"HDT", 540},   {"CAT", 600},   {"AHST", 600},  {"NT", 660},    {"IDLW", 720},  {"CET", -60},
    {"MET", -60},   {"MEWT", -60},  {"MEST", -120}, {"CEST", -120}, {"MESZ", -120}, {"FWT", -60},
    {"FST", -120},  {"EET", -120},  {"WAST", -420}, {"WADT", -480}, {"CCT", -480},  {"JST", -540},
    {"EAST", -600}, {"EADT", -660}, {"GST", -600},  {"NZT", -720},  {"NZST", -720}, {"NZDT", -780},
    {"IDLE", -720}, {"A", 60},      {"B", 120},     {"C", 180},     {"D", 240},     {"E", 300},
    {"F", 360},     {"G", 420},     {"H", 480},     {"I", 540},     {"K", 600},     {"L", 660},
    {"M", 720},     {"N", -60},     {"O", -120},    {"P", -180},    {"Q", -240},    {"R", -300},
    {"S", -360},    {"T", -420},    {"U", -480},    {"V", -540},    {"W", -600},    {"X", -660},
    {"Y", -720},    {"Z", 0},
};
static_assert(sizeof(kZones) / sizeof(kZones[0]) == 68, "the zone table has 68 names");

constexpr const char* kShortWeekdays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
constexpr const char* kLongWeekdays[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                         "Friday", "Saturday", "Sunday"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Only the first parts of a date are looked at; what follows them is ignored.
constexpr int kMaxParts = 6;
constexpr int kMaxNumericZone = 1400;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

template <std::size_t N>
int IndexOf(const char* const (&names)[N], const std::string& word) {
  for (std::size_t i = 0; i < N; ++i) {
    if (EqualsIgnoringCase(word, names[i])) return static_cast<int>(i);
  }
  return -1;
}

// Reads one or two digits at `pos`, as "%02d" does.
bool ReadTwoDigits(const std::string& text, std::size_t& pos, int& value) {
  if (pos >= text.size() || !IsDigit(text[pos])) return false;
  value = text[pos++] - '0';
  if (pos < text.size() && IsDigit(text[pos])) value = value * 10 + (text[pos++] - '0');
  return true;
}

// "hh:mm:ss" or "hh:mm" at `pos`; on success `pos` moves past it.
bool ReadTime(const std::string& text, std::size_t& pos, int& hour, int& minute, int& second) {
  std::size_t at = pos;
  if (!ReadTwoDigits(text, at, hour) || at >= text.size() || text[at] != ':') return false;
  ++at;
  if (!ReadTwoDigits(text, at, minute)) return false;
  second = 0;
  if (at + 1 < text.size() && text[at] == ':' && IsDigit(text[at + 1])) {
    ++at;
    ReadTwoDigits(text, at, second);
  }
  pos = at;
  return true;
}

struct DateParts {
  int day = -1;
  int month = -1;  // 0 = January
  std::int64_t year = -1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  bool time_known = false;
  bool zone_known = false;
  int zone_seconds_west = 0;
};

bool TakeWord(const std::string& word, DateParts& parts) {
  const auto& weekdays = word.size() == 3 ? kShortWeekdays : kLongWeekdays;
  if (IndexOf(weekdays, word) >= 0) return true;
  const int month = IndexOf(kMonths, word);
  if (month >= 0) {
    if (parts.month >= 0) return false;
    parts.month = month;
    return true;
  }
  for (const auto& zone : kZones) {
    if (EqualsIgnoringCase(word, zone.name)) {
      if (parts.zone_known) return false;
      parts.zone_known = true;
      parts.zone_seconds_west = zone.minutes_west * 60;
      return true;
    }
  }
  return false;
}

bool TakeNumber(std::int64_t value, std::size_t digits, char sign, DateParts& parts) {
  if (!parts.zone_known && digits == 4 && value <= kMaxNumericZone &&
      (sign == '+' || sign == '-')) {
    const int minutes = static_cast<int>(value / 100) * 60 + static_cast<int>(value % 100);
    parts.zone_known = true;
    parts.zone_seconds_west = (sign == '+' ? -minutes : minutes) * 60;  // "+" is east of UTC
    return true;
  }
  if (digits == 8 && parts.day < 0 && parts.month < 0 && parts.year < 0) {
    parts.year = value / 10000;
    parts.month = static_cast<int>(value / 100 % 100) - 1;
    parts.day = static_cast<int>(value % 100);
    return true;
  }
  if (parts.day < 0 && value >= 1 && value <= 31) {
    parts.day = static_cast<int>(value);
    return true;
  }
  if (parts.year >= 0) return false;
  parts.year = value;
  return true;
}

}  // namespace

std::optional<boost::posix_time::ptime> ParseCookieDate(const std::string& text) {
  DateParts parts;
  std::size_t pos = 0;
  for (int part = 0; part < kMaxParts && pos < text.size();) {
    const char c = text[pos];
    if (IsLetter(c)) {
      const std::size_t start = pos;
      while (pos < text.size() && IsLetter(text[pos])) ++pos;
      if (!TakeWord(text.substr(start, pos - start), parts)) return std::nullopt;
      ++part;
    } else if (IsDigit(c)) {
      const char sign = pos > 0 ? text[pos - 1] : '\0';
      int hour = 0, minute = 0, second = 0;
      if (!parts.time_known && ReadTime(text, pos, hour, minute, second)) {
        parts.time_known = true;
        parts.hour = hour;
        parts.minute = minute;
        parts.second = second;
      } else {
        const std::size_t start = pos;
        std::int64_t value = 0;
        constexpr std::int64_t kSaturated = 1000000000000LL;  // far beyond any year or day
        while (pos < text.size() && IsDigit(text[pos])) {
          if (value < kSaturated) value = value * 10 + (text[pos] - '0');
          ++pos;
        }
        if (!TakeNumber(value, pos - start, sign, parts)) return std::nullopt;
      }
      ++part;
    } else {
      ++pos;
    }
  }

  if (parts.day < 0 || parts.month < 0 || parts.year < 0) return std::nullopt;
  if (parts.year < 1900) parts.year += parts.year > 70 ? 1900 : 2000;
  if (parts.year < 1970 || parts.year > 9999) return std::nullopt;
  if (parts.hour > 23 || parts.minute > 59 || parts.second > 60) return std::nullopt;
  try {
    const boost::gregorian::date day(static_cast<unsigned short>(parts.year),
                                     static_cast<unsigned short>(parts.month + 1),
                                     static_cast<unsigned short>(parts.day));
    const boost::posix_time::ptime local(
        day, boost::posix_time::hours(parts.hour) + boost::posix_time::minutes(parts.minute) +
                 boost::posix_time::seconds(parts.second + parts.zone_seconds_west));
    if (local.date().year() < 1970) return std::nullopt;
    return local;
  } catch (const std::exception&) {
    return std::nullopt;  // a day the month does not have
  }
}

}  // namespace khttp
