// Dates of mail headers: reading a Date value into a local date-time, and writing one.
#pragma once

#include <string>
#include <string_view>

namespace transport {

// Reads "Tue, 01 Dec 2026 10:00:00 +0900" and its common variants into a local date-time
// (days since 1899-12-30). An unreadable date and time count as 0 before the zone is applied,
// so the result stays within a day of 0. A zone given as a name counts as UTC.
double ParseDate(std::string_view text);

// "Tue, 1 Dec 2026 09:05:00 +0900": the local date-time `date` with the current UTC offset.
std::string FormatDateHeader(double date);

}  // namespace transport
