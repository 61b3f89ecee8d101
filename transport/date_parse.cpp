// Date header reading and writing.
#include "transport/date_parse.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "platform/clock.h"
#include "transport/mime_strings.h"

namespace transport {
namespace {

constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::optional<int> ToInt(std::string_view s) {
  if (s.empty()) return std::nullopt;
  if (s.front() == '+') s.remove_prefix(1);
  int value = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return value;
}

int MonthOf(std::string_view field) {
  if (field.size() < 3) return 0;
  for (int m = 0; m < 12; ++m) {
    if (mime::EqualsIgnoringCase(field.substr(0, 3), kMonths[m])) return m + 1;
  }
  return 0;
}

// Takes the next field of `rest`, ending at any byte of `delims`; leading delimiters skipped.
std::string_view NextField(std::string_view& rest, std::string_view delims) {
  std::size_t b = rest.find_first_not_of(delims);
  if (b == std::string_view::npos) {
    rest = {};
    return {};
  }
  rest.remove_prefix(b);
  std::size_t e = rest.find_first_of(delims);
  std::string_view field = rest.substr(0, e);
  rest = e == std::string_view::npos ? std::string_view() : rest.substr(e + 1);
  return field;
}

// Minutes east of UTC of a zone written as a sign and hhmm; 0 for anything else.
int ZoneOffsetMinutes(std::string_view rest) {
  std::string_view z = mime::Trim(rest);
  if (z.size() <= 4) return 0;
  char sign = z[0];
  if (sign != '+' && sign != '-') return 0;
  for (int i = 1; i < 5; ++i) {
    if (z[i] < '0' || z[i] > '9') return 0;
  }
  int hh = (z[1] - '0') * 10 + (z[2] - '0');
  int mm = (z[3] - '0') * 10 + (z[4] - '0');
  int minutes = hh * 60 + mm;
  return sign == '-' ? -minutes : minutes;
}

struct ParsedDate {
  double value = 0;      // the date-time as written
  int zone_minutes = 0;  // the zone it was written in, minutes east of UTC
};

// The date-time and its zone, or nothing when the date or time is unreadable.
std::optional<ParsedDate> ParseDateParts(std::string_view text) {
  std::string_view rest;
  std::string_view s = mime::Trim(text);
  if (s.size() >= 3) {
    for (const char* day : kDays) {
      if (!mime::EqualsIgnoringCase(s.substr(0, 3), day)) continue;
      std::size_t end = s.find_first_of(" ,");
      s = end == std::string_view::npos ? std::string_view() : mime::Trim(s.substr(end + 1));
      break;
    }
  }
  std::size_t first_space = s.find(' ');
  std::size_t dash = s.find('-', 1);
  bool dashed = dash != std::string_view::npos && dash < first_space;
  std::string_view delims = dashed ? std::string_view("- ") : std::string_view(" ");

  rest = s;
  std::string_view first = NextField(rest, delims);
  int month = MonthOf(first);
  std::string_view day_field;
  if (month != 0) {
    day_field = NextField(rest, delims);
  } else {
    day_field = first;
    month = MonthOf(NextField(rest, delims));
  }
  if (!day_field.empty() && day_field.back() == ',') day_field.remove_suffix(1);
  int day = ToInt(day_field).value_or(1);
  if (month == 0) return std::nullopt;

  std::string_view year_field = NextField(rest, delims);
  std::optional<int> year = ToInt(year_field);
  std::string swapped;
  if (!year) {
    // A time written before the year: take the year from what follows, then read the time.
    std::string_view time_field = year_field;
    year = ToInt(NextField(rest, " "));
    if (!year) return std::nullopt;
    swapped = std::string(time_field) + " " + std::string(rest);
    rest = swapped;
  }
  if (*year < 80) {
    *year += 2000;
  } else if (*year < 100) {
    *year += 1900;
  }
  int hour = 0, minute = 0, second = 0;
  if (rest.find(':') != std::string_view::npos) {
    std::string_view time = NextField(rest, " ");
    int* slots[] = {&hour, &minute, &second};
    for (int* slot : slots) {
      if (time.empty()) break;
      std::size_t colon = time.find(':');
      std::optional<int> v = ToInt(time.substr(0, colon));
      if (!v) return std::nullopt;
      *slot = *v;
      time = colon == std::string_view::npos ? std::string_view() : time.substr(colon + 1);
    }
  }
  double value = 0;
  platform::DateTimeParts parts;
  parts.year = *year;
  parts.month = month;
  parts.day = day;
  parts.hour = hour;
  parts.minute = minute;
  parts.second = second;
  // An impossible calendar date still has its zone read: only the date-time becomes 0.
  if (!platform::TryEncodeDateTime(parts, value)) value = 0;
  return ParsedDate{value, ZoneOffsetMinutes(rest)};
}

}  // namespace

double ParseDate(std::string_view text) {
  // An unreadable date is 0 in UTC, so it still moves by the local offset.
  ParsedDate parsed = ParseDateParts(text).value_or(ParsedDate{});
  int local_offset = -platform::TimeZoneBiasMinutes();
  return parsed.value + (local_offset - parsed.zone_minutes) / 1440.0;
}

std::string FormatDateHeader(double date) {
  double value = date == 0 ? platform::Now() : date;
  platform::DateTimeParts p = platform::DecodeDateTime(value);
  int offset = -platform::TimeZoneBiasMinutes();
  char sign = offset >= 0 ? '+' : '-';
  int abs_offset = std::abs(offset);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s, %d %s %d %02d:%02d:%02d %c%02d%02d",
                kDays[platform::DayOfWeek(value) - 1], p.day, kMonths[p.month - 1], p.year, p.hour,
                p.minute, p.second, sign, abs_offset / 60, abs_offset % 60);
  return buffer;
}

}  // namespace transport
