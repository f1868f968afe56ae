#include "schedule/ScheduleCountdown.h"

#include "resources/Texts.h"

namespace karone {
namespace {

std::string twoDigits(Seconds n) {
  std::string digits = std::to_string(n);
  return n >= 0 && n < 10 ? "0" + digits : digits;
}

}  // namespace

std::string formatCountdown(Seconds s) {
  const Seconds days = s / 86400;
  const Seconds hours = s / 3600 - days * 24;
  const Seconds minutes = s / 60 - (s / 3600) * 60;
  const Seconds seconds = s - (s / 60) * 60;
  return formatText(Text::ScheduleCountdown, std::to_string(days).c_str(),
                    twoDigits(hours).c_str(), twoDigits(minutes).c_str(),
                    twoDigits(seconds).c_str());
}

std::string emptyCountdown() {
  return formatText(Text::ScheduleCountdown, "--", "--", "--", "--");
}

}  // namespace karone
