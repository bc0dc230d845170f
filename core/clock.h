// Local wall-clock time, as the drill reads it.
//
// The clock is injected so that tests can fix the time. Readings are whole
// seconds in the local time zone.

#ifndef TAVOSU_CORE_CLOCK_H_
#define TAVOSU_CORE_CLOCK_H_

#include <cstdint>

namespace tavosu {

// A local date and time in the proleptic Gregorian calendar.
struct LocalDateTime {
  int year = 1970;
  int month = 1;   // 1-12
  int day = 1;     // 1-31
  int hour = 0;    // 0-23
  int minute = 0;  // 0-59
  int second = 0;  // 0-59

  // Seconds since 1970-01-01 00:00:00 of the same (local) reckoning; used as
  // a seed, not as an instant.
  std::int64_t SerialSeconds() const;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalDateTime Now() = 0;
};

// Returns the process-wide system clock (local time). Never null.
Clock* SystemClock();

}  // namespace tavosu

#endif  // TAVOSU_CORE_CLOCK_H_
