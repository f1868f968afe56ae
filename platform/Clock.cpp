#include "platform/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace karone {

LocalTime toLocalTime(Seconds instant) {
  tzset();
  std::time_t t = static_cast<std::time_t>(instant);
  std::tm tm{};
  localtime_r(&t, &tm);
  LocalTime local;
  local.year = tm.tm_year + 1900;
  local.month = tm.tm_mon + 1;
  local.day = tm.tm_mday;
  local.hour = tm.tm_hour;
  local.minute = tm.tm_min;
  local.second = tm.tm_sec;
  local.weekday = tm.tm_wday;
  local.yearDay = tm.tm_yday;
  local.dst = tm.tm_isdst > 0;
  return local;
}

Seconds fromLocalTime(const LocalTime& local) {
  tzset();
  std::tm tm{};
  tm.tm_year = local.year - 1900;
  tm.tm_mon = local.month - 1;
  tm.tm_mday = local.day;
  tm.tm_hour = local.hour;
  tm.tm_min = local.minute;
  tm.tm_sec = local.second;
  tm.tm_isdst = -1;
  return static_cast<Seconds>(std::mktime(&tm));
}

std::string formatLocalTime(const char* format, Seconds instant) {
  tzset();
  std::time_t t = static_cast<std::time_t>(instant);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buffer[256];
  size_t n = std::strftime(buffer, sizeof buffer, format, &tm);
  return std::string(buffer, n);
}

Seconds SystemClock::now() const {
  return static_cast<Seconds>(std::time(nullptr));
}

std::int64_t SystemClock::monotonicMillis() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

SystemClock& SystemClock::instance() {
  static SystemClock clock;
  return clock;
}

void SystemSleeper::sleepMillis(std::int64_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

SystemSleeper& SystemSleeper::instance() {
  static SystemSleeper sleeper;
  return sleeper;
}

}  // namespace karone
