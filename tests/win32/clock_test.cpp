// The clock service against the system's local time.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_system.h"

namespace {

using platform::LocalTime;
using platform::win32::Win32Clock;

// Seconds since 1601 of a local time, through the system's own calendar.
long long SecondsOf(const LocalTime& time) {
  SYSTEMTIME system{};
  system.wYear = static_cast<WORD>(time.year);
  system.wMonth = static_cast<WORD>(time.month);
  system.wDay = static_cast<WORD>(time.day);
  system.wHour = static_cast<WORD>(time.hour);
  system.wMinute = static_cast<WORD>(time.minute);
  system.wSecond = static_cast<WORD>(time.second);
  FILETIME file{};
  if (::SystemTimeToFileTime(&system, &file) == FALSE) return -1;  // not a valid date
  return static_cast<long long>(
      (static_cast<unsigned long long>(file.dwHighDateTime) << 32 | file.dwLowDateTime) / 10000000ULL);
}

TEST(ClockTest, NowIsTheLocalTimeWithFieldsInRange) {
  Win32Clock clock;
  SYSTEMTIME before{};
  ::GetLocalTime(&before);
  const LocalTime now = clock.Now();

  EXPECT_GE(now.year, 2000);
  EXPECT_LE(now.year, 9999);
  EXPECT_GE(now.month, 1);
  EXPECT_LE(now.month, 12);
  EXPECT_GE(now.day, 1);
  EXPECT_LE(now.day, 31);
  EXPECT_GE(now.hour, 0);
  EXPECT_LE(now.hour, 23);
  EXPECT_GE(now.minute, 0);
  EXPECT_LE(now.minute, 59);
  EXPECT_GE(now.second, 0);
  EXPECT_LE(now.second, 59);

  const LocalTime reference{before.wYear, before.wMonth,  before.wDay,
                            before.wHour, before.wMinute, before.wSecond};
  const long long difference = SecondsOf(now) - SecondsOf(reference);
  ASSERT_GE(SecondsOf(now), 0) << "a valid calendar date";
  EXPECT_GE(difference, 0);
  EXPECT_LE(difference, 5) << "local time, not UTC";
}

}  // namespace
