// Date headers: forms and zones read into Tokyo local time, and the written form.
#include "transport/date_parse.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace transport {
namespace {

struct DateRow {
  const char* text;
  const char* local;  // yyyy/mm/dd_hh:nn:ss in Tokyo
};

class ParseDateTest : public ::testing::Test {
 protected:
  platform::FixedClock clock_{platform::EncodeDateTime(2026, 12, 8), -540};
  platform::ScopedClock scoped_{clock_};
};

TEST_F(ParseDateTest, ReadsCommonFormsAndConvertsZonesToLocalTime) {
  const DateRow rows[] = {
      {"Tue, 01 Dec 2026 10:00:00 +0900", "2026/12/01_10:00:00"},
      {"Tue, 01 Dec 2026 10:00:00 JST", "2026/12/01_19:00:00"},
      {"Tue, 01 Dec 2026 10:00:00 GMT", "2026/12/01_19:00:00"},
      {"Mon, 30 Nov 2026 20:30:00 -0500", "2026/12/01_10:30:00"},
      {"1 Dec 2026 01:02:03 +0000", "2026/12/01_10:02:03"},
      {"Tuesday,1 Dec 26 10:00 +0900", "2026/12/01_10:00:00"},
      {"01-Dec-1999 10:00:00 +0900", "1999/12/01_10:00:00"},
      {"Dec 1 2026 10:00:00 +0900", "2026/12/01_10:00:00"},
      {"Tue Dec 01 10:00:00 2026", "2026/12/01_19:00:00"},
      {"Wed, 1 Jan 85 00:00:00 +0900", "1985/01/01_00:00:00"},
      {"Thu, 29 Feb 2024 23:59:59 +0900 (JST)", "2024/02/29_23:59:59"},
      {"garbage", "1899/12/30_09:00:00"},
      {"", "1899/12/30_09:00:00"},
      {"Fri, 31 Feb 2026 10:00:00 +0900", "1899/12/30_00:00:00"},
      {"Sat, 5 Foo 2026 10:00:00 +0900", "1899/12/30_09:00:00"},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(platform::FormatDateTime("yyyy/mm/dd_hh:nn:ss", ParseDate(r.text)), r.local)
        << r.text;
  }
}

TEST_F(ParseDateTest, DateHeaderHasNoLeadingZeroDayAndTheLocalOffset) {
  EXPECT_EQ(FormatDateHeader(platform::EncodeDateTime(2026, 12, 1, 9, 5, 0)),
            "Tue, 1 Dec 2026 09:05:00 +0900");
  EXPECT_EQ(FormatDateHeader(0), "Tue, 8 Dec 2026 00:00:00 +0900");  // 0 means now
  platform::FixedClock west(platform::EncodeDateTime(2026, 7, 4, 12), 270);
  platform::ScopedClock in_west(west);
  EXPECT_EQ(FormatDateHeader(0), "Sat, 4 Jul 2026 12:00:00 -0430");
  EXPECT_EQ(platform::FormatDateTime("hh:nn", ParseDate("Sat, 4 Jul 2026 12:00:00 +0000")),
            "07:30");
}

}  // namespace
}  // namespace transport
