#pragma once
// Between the settings file and the run: the working capture settings the
// controller takes from the stored values at start, and the values it
// stores at the exit (the working settings, the selected profile line, the
// pipeline's picture size, video source and running number, the device and
// the caption colour).
//
// Pure functions; any thread.
#include <string>

#include "app/AppSettings.h"
#include "capture/CaptureSettings.h"
#include "capture/FramePipeline.h"

namespace karone {

CaptureSettings workingSettingsFrom(const AppSettings& values);

struct StateAtClose {
  const CaptureSettings& working;
  const FramePipeline& pipeline;
  int selectedLine = -1;
  std::string lastDeviceName;
  int captionColourIndex = 0;
};
AppSettings settingsAtClose(const StateAtClose& state);

}  // namespace karone
