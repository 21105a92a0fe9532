// The day stamp of the daily usage limit. Today's date is written "mm:dd:yy"
// and read back as a time of day (hours = month, minutes = day, seconds =
// two-digit year); stamps are compared by that value, so a stamp stored by
// another computer in its own time format ("12:06:26 PM") still compares
// equal to "12:06:26".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/clock_service.h"

namespace app {

// Seconds since midnight of the time the stamp reads as.
using DayStamp = int;

DayStamp TodayStamp(const platform::LocalTime& now);
// The stored form of a stamp: "mm:dd:yy".
std::string StampText(DayStamp stamp);
// A stored stamp read back; nullopt when it is missing or not a time.
std::optional<DayStamp> ParseStamp(std::string_view text);

}  // namespace app
