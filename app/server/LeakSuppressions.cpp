// The leak checker's suppressions, shared by every program and test.
#include "platform/LeakSuppressions.h"
