// The local date and time, and the names of the months.
#pragma once

#include <string>

namespace platform {

struct LocalTime {
  int year = 2000;  // four digits
  int month = 1;    // 1 to 12
  int day = 1;      // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

class ClockService {
 public:
  virtual ~ClockService() = default;
  virtual LocalTime Now() = 0;
  // The full name of a month (1 to 12) in the user's language, as dates
  // name it standing alone.
  virtual std::string MonthName(int month) = 0;
};

}  // namespace platform
