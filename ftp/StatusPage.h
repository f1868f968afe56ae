#pragma once
// The status page published beside the pictures as "currfrme.html": it tells
// the web page whether the broadcast runs and, while it runs, the newest
// strip, the frame settings and the caption with its colour. The page is
// code page 932 text with a single line feed after every line, exactly as
// web pages in the field read it.
//
// Pure functions; any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CaptureDefaults.h"

namespace karone {

struct StatusPageValues {
  int framesPerStrip = kDefaultFramesPerStrip;
  std::string currentFrame;  // remote name of the strip just published
  int framesPerSecond = 1;
  std::string caption;  // UTF-8
  std::uint32_t colour = 0;  // red in the lowest byte, then green, then blue
};

// The running form, in code page 932. The caption is one line: line breaks
// and other control characters in it become blanks, and a character code
// page 932 cannot hold becomes '?'.
std::string runningStatusPage(const StatusPageValues& values);
// The stopped form: the two cache lines, an empty line and "ServRun=0".
std::string stoppedStatusPage();

// The strip a published page names (its "Curr=" line), when the page is a
// running page naming one; nothing for the stopped form or anything else.
std::optional<std::string> pageCurrentFrame(std::string_view page);

}  // namespace karone
