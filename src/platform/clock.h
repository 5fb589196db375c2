#pragma once
#include <cstdint>

namespace quillenta {

struct LocalDateTime {
  int year = 2000;
  int month = 1;    // 1..12
  int day = 1;      // 1..31
  int weekday = 6;  // 0 = Sunday .. 6 = Saturday
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Local wall time: what the date, time and clock-watch items show.
  virtual LocalDateTime Now() = 0;
  // Milliseconds of a clock that setting the wall clock does not move: connection durations.
  virtual std::int64_t MonotonicMs() = 0;
};

}  // namespace quillenta
