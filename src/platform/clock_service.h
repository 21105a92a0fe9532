// The local date and time.
#pragma once

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
};

}  // namespace platform
