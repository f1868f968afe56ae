#pragma once
// The profile list of the main window and its commands: the lines sorted by
// name, the selected line and the profile it names, and adding, modifying
// and deleting profiles through the profile dialog with their rules (a name
// that exists already is refused and the dialog opens again; a profile that
// a schedule or the automatic start uses keeps its name and line settings,
// and cannot be deleted). The profiles themselves live in the data store.
//
// Threads: the controller's thread only (checked where the window's
// commands enter, ControllerThread::step). Questions to the operator are
// asked without waiting; what follows an answer runs when it comes.
#include <functional>
#include <string>
#include <vector>

#include "app/Dialogs.h"
#include "app/MainView.h"
#include "capture/CaptureSettings.h"
#include "platform/Lifetime.h"
#include "platform/Prompter.h"
#include "platform/SettingsStorage.h"
#include "schedule/DataStore.h"

namespace karone {

class ProfileCommands {
 public:
  struct Parts {
    DataStore& store;
    Dialogs& dialogs;
    Prompter& prompter;
    MainView& view;
    // The working capture settings: the automatic start in still mode may
    // use a profile.
    const CaptureSettings& working;
    // A line's profile was read as the selected one.
    std::function<void(const ProfileInfo&)> selected;
    // Where SFTP profiles keep their key files (none: not kept).
    SettingsStorage* keyFiles = nullptr;
  };

  explicit ProfileCommands(Parts parts);

  // Lists the profiles again; with a name, selects the line that begins
  // with it.
  void fill(const std::string& select);
  // Reads the selected line's profile: false when no line is selected.
  bool readSelection();
  void selectLine(int line);
  // As selectLine, and the list shows the line selected.
  void selectLineShown(int line);

  void add();
  void modify();
  void remove();

  const ProfileInfo& selected() const { return selected_; }
  int selectedLine() const { return selectedLine_; }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  bool lineValid() const;
  void edit(bool modify);
  void runDialog(ProfileEditRequest request, bool modify, const std::string& formerName);
  void removeRefusingWhatIsInUse(const std::string& name);

  Parts parts_;
  std::vector<std::string> lines_;  // sorted as shown
  int selectedLine_ = -1;
  ProfileInfo selected_;
  Lifetime lifetime_;
};

}  // namespace karone
