#include "schedule/UpdatePeriodSpin.h"

#include <algorithm>

namespace karone {
namespace {

constexpr int kMinutesWithoutHour = 10;

UpdatePeriodSpin clamped(int hour, int minute) {
  UpdatePeriodSpin spin;
  spin.hour = std::clamp(hour, 0, kUpdateHourMax);
  spin.minuteMin = spin.hour == 0 ? kMinutesWithoutHour : 0;
  spin.minuteMax = 59;
  spin.minute = std::clamp(minute, spin.minuteMin, spin.minuteMax);
  return spin;
}

}  // namespace

UpdatePeriodSpin updatePeriodSpinFor(std::int32_t seconds) {
  const std::int32_t positive = std::max<std::int32_t>(seconds, 0);
  return clamped(positive / 3600, (positive / 60) % 60);
}

UpdatePeriodSpin afterHourChange(int hour, int minute) {
  if (hour == kUpdateHourMax) minute = 0;
  return clamped(hour, minute);
}

std::int32_t updatePeriodSeconds(int hour, int minute) { return minute * 60 + hour * 3600; }

}  // namespace karone
