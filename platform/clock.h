// Clock, time zone and date-time helpers. Date-times are day counts since 1899-12-30
// (the fraction is the time of day), in local time, as the store and the message model
// keep them. "Now" and the time-zone bias come from a replaceable clock for tests.
#pragma once

#include <string>
#include <string_view>

namespace platform {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual double Now() const = 0;  // local date-time now
  // Minutes to add to local time to get UTC (Tokyo: -540), at local date-time `local`.
  virtual int TimeZoneBiasMinutes(double local) const = 0;
};

// The clock in force: the system clock unless a test installed another.
const Clock& CurrentClock();
double Now();
int TimeZoneBiasMinutes(double local);
int TimeZoneBiasMinutes();  // now

// Installs a clock for the life of this object (tests).
class ScopedClock {
 public:
  explicit ScopedClock(const Clock& clock);
  ~ScopedClock();
  ScopedClock(const ScopedClock&) = delete;
  ScopedClock& operator=(const ScopedClock&) = delete;

 private:
  const Clock* previous_;
};

// A clock that always says the same thing.
class FixedClock : public Clock {
 public:
  FixedClock(double now, int bias_minutes) : now_(now), bias_(bias_minutes) {}
  double Now() const override { return now_; }
  int TimeZoneBiasMinutes(double) const override { return bias_; }

 private:
  double now_;
  int bias_;
};

struct DateTimeParts {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0, msec = 0;
};

// Day count of a calendar date and time; false from TryEncodeDateTime on an invalid date.
bool TryEncodeDateTime(const DateTimeParts& parts, double& out);
double EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0,
                      int second = 0, int msec = 0);
DateTimeParts DecodeDateTime(double value);
int DayOfWeek(double value);  // 1 = Sunday .. 7 = Saturday

// Formats with the letters yyyy, yy, mm, dd, hh, nn, ss, zzz (other bytes are copied).
std::string FormatDateTime(std::string_view format, double value);

// Seconds since the Unix epoch (UTC) <-> local day count, through the system time zone.
double UnixTimeToLocalDateTime(double unix_seconds);
double LocalDateTimeToUnixTime(double local);

}  // namespace platform
