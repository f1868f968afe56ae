#pragma once
// The small rules of the frame pipeline that are worth having on their own:
// the buffer file names, the motion timer period, the still countdown text
// and progress, and the choice of the preferred capture device.
//
// Pure functions; any thread.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/BufferFileNames.h"

namespace karone {


// "motion_img_" + counter as 8 lower-case hex digits (no folder, no extension).
std::string motionFileStem(std::uint32_t counter);
// The BMP the worker writes: folder + stem + ".bmp"; mode 0 motion, else still.
std::string bufferBmpPath(const std::string& folder, int captureMode, std::uint32_t counter);

// Motion timer period: 1000 / frames per second, truncated (3 -> 333, 7 -> 142).
// Frame rates below 1 count as 1.
int motionTimerPeriodMillis(int framesPerSecond);

// Still countdown "HH:MM:SS" of max(remaining, 0); hours are not reduced, so
// 100 hours read "100:00:00".
std::string countdownText(std::int64_t remainingSeconds);
// Progress bar position 0..100 for the remaining part of the still period,
// truncated; 0 for a period of 0.
int stillProgress(std::int64_t remainingSeconds, int stillPeriodSeconds);

// The index of the device whose name equals one of the preferred names
// exactly (case-sensitive); the last match wins; -1 without a match.
int preferredDeviceIndex(const std::vector<std::string>& deviceNames,
                         const std::vector<std::string>& preferredNames);

}  // namespace karone
