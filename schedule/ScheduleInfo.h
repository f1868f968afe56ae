#pragma once
// A scheduled capture session as a value. Schedules are keyed by `name`,
// compared as exact bytes. Texts are UTF-8 here.
#include <cstdint>
#include <string>

namespace karone {

enum SchedulePeriod : std::int32_t { PeriodOnce = 0, PeriodWeekly = 1, PeriodDaily = 2 };
enum CaptureMode : std::int32_t { CaptureMotion = 0, CaptureStill = 1 };

struct ScheduleInfo {
  std::int32_t captureMode = CaptureMotion;  // CaptureMode
  std::int32_t period = PeriodOnce;          // SchedulePeriod
  std::int32_t videoSource = -1;   // connector type: 1 tuner, 2 composite, 3 S-video, -1 none
  std::int32_t videoSize = 2;      // 0 = 160x120, 1 = 176x144, 2 = 320x240
  std::int32_t updatePeriod = 0;   // still update period in seconds
  std::int32_t start = 0;          // seconds since 1970 (UTC), as stored
  std::int32_t end = 0;
  std::string name;                // the key
  std::string ftpProfileName;      // the profile the session uploads to

  bool operator==(const ScheduleInfo&) const = default;
};

}  // namespace karone
