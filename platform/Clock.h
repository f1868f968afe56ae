#pragma once
// Time as the program sees it: the current instant in signed seconds since
// 1970-01-01 00:00:00 UTC and calendar work in local time (honouring TZ).
// Everything that needs "now" takes a Clock&, so that tests run schedules,
// countdowns and retry loops in fake time. Waits go through a Sleeper.
//
// Any thread may call a Clock. The fake clock and sleeper of the tests live
// with the tests.
#include <cstdint>
#include <mutex>
#include <string>

namespace karone {

// Seconds since 1970-01-01 00:00:00 UTC, signed.
using Seconds = std::int64_t;

// A broken-down local time. month is 1..12, weekday 0 = Sunday .. 6 = Saturday.
struct LocalTime {
  int year = 1970;
  int month = 1;
  int day = 1;
  int hour = 0;
  int minute = 0;
  int second = 0;
  int weekday = 4;
  int yearDay = 0;   // 0..365
  bool dst = false;  // daylight saving time in force
};

// Converts with the process's time zone (TZ); tzset() is called as needed.
LocalTime toLocalTime(Seconds instant);
// Inverse of toLocalTime for a wall-clock time; weekday, yearDay and dst are
// ignored. A time that does not exist (skipped at a DST change) or exists
// twice is resolved as mktime does with tm_isdst = -1. Fields out of range
// are normalised (day 32 is the first of the next month).
Seconds fromLocalTime(const LocalTime& local);
// strftime over the local time of an instant.
std::string formatLocalTime(const char* format, Seconds instant);

class Clock {
 public:
  virtual ~Clock() = default;
  // Wall-clock instant, whole seconds.
  virtual Seconds now() const = 0;
  // A monotonic millisecond counter for measuring intervals.
  virtual std::int64_t monotonicMillis() const = 0;
};

class SystemClock final : public Clock {
 public:
  Seconds now() const override;
  std::int64_t monotonicMillis() const override;
  static SystemClock& instance();
};

// Waits of the program (the 400 ms dial pause, the 5-second retry pause...).
class Sleeper {
 public:
  virtual ~Sleeper() = default;
  virtual void sleepMillis(std::int64_t ms) = 0;
};

class SystemSleeper final : public Sleeper {
 public:
  void sleepMillis(std::int64_t ms) override;
  static SystemSleeper& instance();
};

}  // namespace karone
