#include "schedule/ScheduleTexts.h"

#include "platform/ConnectorType.h"
#include "resources/Texts.h"

namespace karone {
namespace {

constexpr Text kWeekdays[kWeekdayCount] = {Text::Sunday,   Text::Monday, Text::Tuesday,
                                           Text::Wednesday, Text::Thursday, Text::Friday,
                                           Text::Saturday};
constexpr Text kEveryWeekday[kWeekdayCount] = {
    Text::EverySunday,   Text::EveryMonday, Text::EveryTuesday, Text::EveryWednesday,
    Text::EveryThursday, Text::EveryFriday, Text::EverySaturday};

}  // namespace

std::string captureModeName(std::int32_t mode) {
  return text(mode == CaptureMotion ? Text::ModeMotion : Text::ModeStill);
}

std::string videoSizeName(std::int32_t size) {
  switch (size) {
    case 0: return text(Text::MenuSize160x120);
    case 1: return text(Text::MenuSize176x144);
    default: return text(Text::MenuSize320x240);
  }
}

std::string scheduleSourceName(std::int32_t connectorType) {
  if (connectorType == connector::kNone) return "";
  const std::string name = videoSourceName(connectorType);
  return name.empty() ? text(Text::UnknownInput) : name;
}

std::string weekdayName(int weekday) {
  return weekday >= 0 && weekday < kWeekdayCount ? text(kWeekdays[weekday]) : "";
}

std::string everyWeekdayName(int weekday) {
  return weekday >= 0 && weekday < kWeekdayCount ? text(kEveryWeekday[weekday]) : "";
}

std::optional<std::string> scheduleDayName(const ScheduleInfo& entry, Seconds instant) {
  switch (entry.period) {
    case PeriodWeekly: return everyWeekdayName(toLocalTime(instant).weekday);
    case PeriodDaily: return text(Text::PeriodDailyName);
    default: return std::nullopt;
  }
}

}  // namespace karone
