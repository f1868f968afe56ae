#pragma once
// The seconds until a scheduled start or end as the main window shows them:
// days, then hours, minutes and seconds with two digits (90061 seconds read
// as one day and 01:01:01; the line is the table's ScheduleCountdown),
// and the same line with "--" in every place when nothing is scheduled.
//
// Pure functions; any thread.
#include <string>

#include "platform/Clock.h"

namespace karone {

std::string formatCountdown(Seconds seconds);
std::string emptyCountdown();

}  // namespace karone
