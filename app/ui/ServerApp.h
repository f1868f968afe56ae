#pragma once
// The program with its window: the Qt application, the main window for the
// life of the process, and the run controller behind it on the window
// thread, with the real backends. Free of Qt in its interface so that the
// program's main need not include Qt.
#include "app/headless/HeadlessServer.h"

namespace karone {

// Runs the window until it closes; returns the process's exit status.
int runServerWindow(int argc, char** argv, const HeadlessOptions& options);

}  // namespace karone
