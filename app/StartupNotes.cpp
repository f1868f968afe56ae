#include "app/StartupNotes.h"

#include <algorithm>

#include "app/StaleWorkFiles.h"
#include "resources/Texts.h"
#include "schedule/RecordRules.h"

namespace karone {

std::vector<std::string> startupNotes(const DataStore& store,
                                      const std::vector<std::string>& dialupNotes,
                                      const StartupFolders& folders) {
  std::vector<std::string> notes;
  const std::vector<ProfileInfo> profiles = store.profiles();
  if (std::any_of(profiles.begin(), profiles.end(),
                  [](const ProfileInfo& p) { return p.useDialup != 0; })) {
    notes.insert(notes.end(), dialupNotes.begin(), dialupNotes.end());
  }
  // A count stored outside the dialog's range is used at the nearest bound
  // (keptStrips); the operator learns it once per start.
  for (const ProfileInfo& p : profiles) {
    if (!clipCountOutOfRange(p)) continue;
    notes.push_back(formatText(Text::ProfileClipCountCorrected, p.name.c_str(),
                               static_cast<int>(p.bufferClipCount), keptStrips(p)));
  }
  // Pictures and pages a killed run left in the work folder would stay
  // there for good: nothing else ever names them again.
  int removed = removeStaleWorkFiles(folders.work);
  if (folders.status != folders.work) removed += removeStaleWorkFiles(folders.status);
  if (removed > 0) {
    notes.push_back(formatText(Text::StaleWorkFilesRemoved, removed, folders.work.c_str()));
  }
  if (const std::string problem = workFolderProblem(folders.work); !problem.empty()) {
    notes.push_back(formatText(Text::WorkFolderCannotWrite, folders.work.c_str(), problem.c_str()));
  }
  return notes;
}

}  // namespace karone
