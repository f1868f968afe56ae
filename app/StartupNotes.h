#pragma once
// What the run controller says at start about what it found, in order: why
// dial-up cannot be used (only when a stored profile dials), the strip
// counts another writer stored outside the dialog's range and the count
// used instead, the pictures a killed run left in the work folder (removed
// now, under the instance lock the program holds), and a work folder that
// cannot take a picture (said before sending starts).
//
// Threads: the controller's thread, once at start.
#include <string>
#include <vector>

#include "schedule/DataStore.h"

namespace karone {

struct StartupFolders {
  std::string work;    // the buffer folder, ending with '/'
  std::string status;  // the folder of the status page's local copy
};

std::vector<std::string> startupNotes(const DataStore& store,
                                      const std::vector<std::string>& dialupNotes,
                                      const StartupFolders& folders);

}  // namespace karone
