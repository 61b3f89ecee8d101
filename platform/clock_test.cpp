#include "platform/clock.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(ClockTest, DayCountsRoundTripAndFormat) {
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1900, 1, 1), 2.0);
  EXPECT_DOUBLE_EQ(EncodeDateTime(2005, 9, 1), 38596.0);
  double v = EncodeDateTime(2005, 9, 1, 9, 30, 5);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd_hhnnss", v), "2005/09/01_093005");
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd_hh:nn:ss", v), "2005/09/01_09:30:05");
  for (double d : {0.0, 1.5, 38596.39589, 73050.99998, 2.25}) {
    DateTimeParts p = DecodeDateTime(d);
    double back = 0;
    ASSERT_TRUE(TryEncodeDateTime(p, back));
    EXPECT_NEAR(back, d, 1e-8);
  }
  DateTimeParts leap = DecodeDateTime(EncodeDateTime(2000, 2, 29, 23, 59, 59));
  EXPECT_EQ(leap.month, 2);
  EXPECT_EQ(leap.day, 29);
  EXPECT_EQ(leap.second, 59);
  double bad = 0;
  EXPECT_FALSE(TryEncodeDateTime({2001, 2, 29, 0, 0, 0, 0}, bad));
  EXPECT_EQ(DayOfWeek(EncodeDateTime(2005, 9, 1)), 5);  // a Thursday
}

TEST(ClockTest, FixedClockReplacesTheSystemClock) {
  FixedClock fixed(EncodeDateTime(2020, 1, 2, 3, 4, 5), -540);
  {
    ScopedClock scope(fixed);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", Now()), "2020/01/02 03:04:05");
    EXPECT_EQ(TimeZoneBiasMinutes(), -540);
  }
  EXPECT_GT(Now(), EncodeDateTime(2024, 1, 1));
}

TEST(ClockTest, LocalTimeFollowsTheSystemZone) {
  // Tests run with TZ=Asia/Tokyo: UTC+9, no daylight saving.
  EXPECT_EQ(TimeZoneBiasMinutes(EncodeDateTime(2020, 7, 1)), -540);
  double local = UnixTimeToLocalDateTime(0);
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", local), "1970/01/01 09:00");
  EXPECT_DOUBLE_EQ(LocalDateTimeToUnixTime(local), 0.0);
}

}  // namespace
}  // namespace platform
