#pragma once
// The two 16 x 16 pictures of the schedule list that tell the capture mode
// apart: a strip of film for motion, a framed picture for still.
//
// Threads: window thread.
#include <QIcon>

namespace karone {

QIcon motionModeIcon();
QIcon stillModeIcon();

}  // namespace karone
