#pragma once
// The hour and minute up-downs of a still schedule's update period: hours
// 0 to 4; minutes 10 to 59 while the hour is 0, else 0 to 59, so the
// period is never below ten minutes and at most 4:59. Moving the hour to 0
// raises a minute below 10 to 10; moving it to 4 sets the minute to 0.
//
// Pure functions; any thread.
#include <cstdint>

namespace karone {

struct UpdatePeriodSpin {
  int hour = 1;
  int minute = 0;
  int minuteMin = 0;
  int minuteMax = 59;
};

inline constexpr int kUpdateHourMax = 4;

// The up-downs showing a stored period in seconds (clamped to the ranges).
UpdatePeriodSpin updatePeriodSpinFor(std::int32_t seconds);
// The up-downs after the operator moved the hour to `hour`.
UpdatePeriodSpin afterHourChange(int hour, int minute);
// The period the up-downs show, in seconds.
std::int32_t updatePeriodSeconds(int hour, int minute);

}  // namespace karone
