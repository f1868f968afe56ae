#pragma once
// The words the scheduler dialogs show for an entry's fields. Dates and
// times of day are not here: the windows format them in the user's locale.
//
// Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Clock.h"
#include "schedule/ScheduleInfo.h"

namespace karone {

inline constexpr int kWeekdayCount = 7;

// "動画" for motion, "静止画" for anything else.
std::string captureModeName(std::int32_t mode);
// 0 "160 x 120", 1 "176 x 144", anything else "320 x 240".
std::string videoSizeName(std::int32_t size);
// -1 (none) "", 1 to 3 the input's name, anything else "Unknown input".
std::string scheduleSourceName(std::int32_t connectorType);
// 0 "日曜日" … 6 "土曜日"; "" outside.
std::string weekdayName(int weekday);
// 0 "毎日曜日" … 6 "毎土曜日"; "" outside.
std::string everyWeekdayName(int weekday);
// The day of one of an entry's instants as the schedule list shows it:
// nothing for a one-time entry (its date is shown), "毎<weekday>" of the
// instant for a weekly one, "毎日" for a daily one.
std::optional<std::string> scheduleDayName(const ScheduleInfo& entry, Seconds instant);

}  // namespace karone
