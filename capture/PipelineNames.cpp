#include "capture/PipelineNames.h"

#include <algorithm>
#include <cstdio>

namespace karone {
namespace {

// "00" for 0, "0%d" for 1..9, "%d" otherwise.
std::string part(std::int64_t value) {
  char buffer[32];
  if (value == 0) return "00";
  std::snprintf(buffer, sizeof buffer, value < 10 ? "0%lld" : "%lld",
                static_cast<long long>(value));
  return buffer;
}

}  // namespace

std::string motionFileStem(std::uint32_t counter) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%08x", counter);
  return std::string(kMotionPrefix) + buffer;
}

std::string bufferBmpPath(const std::string& folder, int captureMode, std::uint32_t counter) {
  if (captureMode == 0) return folder + motionFileStem(counter) + std::string(kBmpExtension);
  return folder + std::string(kStillStem) + std::string(kBmpExtension);
}

int motionTimerPeriodMillis(int framesPerSecond) {
  return static_cast<int>(1000.0 / std::max(framesPerSecond, 1));
}

std::string countdownText(std::int64_t remainingSeconds) {
  const std::int64_t left = std::max<std::int64_t>(remainingSeconds, 0);
  return part(left / 3600) + ":" + part(left / 60 % 60) + ":" + part(left % 60);
}

int stillProgress(std::int64_t remainingSeconds, int stillPeriodSeconds) {
  if (stillPeriodSeconds <= 0 || remainingSeconds <= 0) return 0;
  return static_cast<int>(static_cast<double>(remainingSeconds) / stillPeriodSeconds * 100.0);
}

int preferredDeviceIndex(const std::vector<std::string>& deviceNames,
                         const std::vector<std::string>& preferredNames) {
  int found = -1;
  for (size_t i = 0; i < deviceNames.size(); ++i) {
    if (std::find(preferredNames.begin(), preferredNames.end(), deviceNames[i]) !=
        preferredNames.end())
      found = static_cast<int>(i);
  }
  return found;
}

}  // namespace karone
