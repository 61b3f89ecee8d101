#include "platform/clock.h"

#include <sys/time.h>

#include <cmath>
#include <ctime>

namespace platform {
namespace {

constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as a day count
constexpr double kMsPerDay = 86400000.0;

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days from 0001-01-01 to the given date (proleptic Gregorian).
long long DaysFromCivil(int y, int m, int d) {
  long long yy = y - 1;
  long long days = yy * 365 + yy / 4 - yy / 100 + yy / 400;
  for (int i = 1; i < m; ++i) days += DaysInMonth(y, i);
  return days + d - 1;
}

const long long kDay0 = DaysFromCivil(1899, 12, 30);

class SystemClock : public Clock {
 public:
  double Now() const override {
    struct timeval tv {};
    gettimeofday(&tv, nullptr);
    return UnixTimeToLocalDateTime(static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6);
  }
  int TimeZoneBiasMinutes(double local) const override {
    time_t t = static_cast<time_t>(std::floor(LocalDateTimeToUnixTime(local)));
    struct tm tm {};
    localtime_r(&t, &tm);
    return static_cast<int>(-tm.tm_gmtoff / 60);
  }
};

const Clock*& Installed() {
  static const SystemClock system;
  static const Clock* current = &system;
  return current;
}

void Append2(std::string& out, int v) {
  out.push_back(static_cast<char>('0' + (v / 10) % 10));
  out.push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

const Clock& CurrentClock() { return *Installed(); }
double Now() { return CurrentClock().Now(); }
int TimeZoneBiasMinutes(double local) { return CurrentClock().TimeZoneBiasMinutes(local); }
int TimeZoneBiasMinutes() { return TimeZoneBiasMinutes(Now()); }

ScopedClock::ScopedClock(const Clock& clock) : previous_(Installed()) { Installed() = &clock; }
ScopedClock::~ScopedClock() { Installed() = previous_; }

bool TryEncodeDateTime(const DateTimeParts& p, double& out) {
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
      p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
      p.minute > 59 || p.second < 0 || p.second > 59 || p.msec < 0 || p.msec > 999) {
    return false;
  }
  double days = static_cast<double>(DaysFromCivil(p.year, p.month, p.day) - kDay0);
  double time = (p.hour * 3600000.0 + p.minute * 60000.0 + p.second * 1000.0 + p.msec) / kMsPerDay;
  // Before the epoch day the fraction counts away from zero, as the day count does.
  out = days >= 0 ? days + time : days - time;
  return true;
}

double EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
  double v = 0;
  TryEncodeDateTime({year, month, day, hour, minute, second, msec}, v);
  return v;
}

DateTimeParts DecodeDateTime(double value) {
  double whole = std::trunc(value);
  double frac = std::fabs(value - whole);
  long long ms = std::llround(frac * kMsPerDay);
  long long days = static_cast<long long>(whole);
  if (ms >= 86400000LL) {
    ms -= 86400000LL;
    days += value >= 0 ? 1 : -1;
  }
  long long n = days + kDay0;  // days since 0001-01-01
  DateTimeParts p;
  // Civil-from-days on the 400-year cycle.
  long long y400 = n / 146097, r = n % 146097;
  long long y100 = std::min<long long>(r / 36524, 3);
  r -= y100 * 36524;
  long long y4 = r / 1461;
  r %= 1461;
  long long y1 = std::min<long long>(r / 365, 3);
  r -= y1 * 365;
  p.year = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  p.month = 1;
  while (r >= DaysInMonth(p.year, p.month)) r -= DaysInMonth(p.year, p.month++);
  p.day = static_cast<int>(r + 1);
  p.hour = static_cast<int>(ms / 3600000);
  p.minute = static_cast<int>(ms / 60000 % 60);
  p.second = static_cast<int>(ms / 1000 % 60);
  p.msec = static_cast<int>(ms % 1000);
  return p;
}

int DayOfWeek(double value) {
  long long d = static_cast<long long>(std::floor(value));  // 1899-12-30 was a Saturday
  return static_cast<int>(((d + 6) % 7 + 7) % 7) + 1;
}

std::string FormatDateTime(std::string_view f, double value) {
  DateTimeParts p = DecodeDateTime(value);
  std::string out;
  for (size_t i = 0; i < f.size();) {
    auto at = [&](std::string_view tok) { return f.substr(i, tok.size()) == tok; };
    if (at("yyyy")) {
      Append2(out, p.year / 100);
      Append2(out, p.year % 100);
      i += 4;
    } else if (at("yy")) {
      Append2(out, p.year % 100);
      i += 2;
    } else if (at("mm")) {
      Append2(out, p.month);
      i += 2;
    } else if (at("dd")) {
      Append2(out, p.day);
      i += 2;
    } else if (at("hh")) {
      Append2(out, p.hour);
      i += 2;
    } else if (at("nn")) {
      Append2(out, p.minute);
      i += 2;
    } else if (at("ss")) {
      Append2(out, p.second);
      i += 2;
    } else if (at("zzz")) {
      out.push_back(static_cast<char>('0' + p.msec / 100));
      Append2(out, p.msec % 100);
      i += 3;
    } else {
      out.push_back(f[i++]);
    }
  }
  return out;
}

double UnixTimeToLocalDateTime(double unix_seconds) {
  time_t t = static_cast<time_t>(std::floor(unix_seconds));
  struct tm tm {};
  localtime_r(&t, &tm);
  double local = unix_seconds + static_cast<double>(tm.tm_gmtoff);
  return local / 86400.0 + kUnixEpochDays;
}

double LocalDateTimeToUnixTime(double local) {
  DateTimeParts p = DecodeDateTime(local);
  struct tm tm {};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;
  return static_cast<double>(mktime(&tm)) + p.msec / 1000.0;
}

}  // namespace platform
