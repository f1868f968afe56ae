#include "app/ProfileCommands.h"

#include "app/ProfileKeyFiles.h"

#include <algorithm>

#include "app/ProfileUse.h"
#include "resources/Texts.h"

namespace karone {

ProfileCommands::ProfileCommands(Parts parts) : parts_(std::move(parts)) {}

bool ProfileCommands::lineValid() const {
  return selectedLine_ >= 0 && selectedLine_ < static_cast<int>(lines_.size());
}

void ProfileCommands::fill(const std::string& select) {
  lines_.clear();
  for (const ProfileInfo& profile : parts_.store.profiles()) lines_.push_back(profile.name);
  std::sort(lines_.begin(), lines_.end());
  if (!select.empty()) {
    // The line whose text begins with the name.
    selectedLine_ = -1;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
      if (lines_[i].rfind(select, 0) == 0) {
        selectedLine_ = static_cast<int>(i);
        break;
      }
    }
  } else if (selectedLine_ >= static_cast<int>(lines_.size())) {
    selectedLine_ = -1;
  }
  parts_.view.setProfileLines(lines_, selectedLine_);
}

bool ProfileCommands::readSelection() {
  if (!lineValid()) return false;
  ProfileInfo found;
  if (parts_.store.findProfile(lines_[static_cast<std::size_t>(selectedLine_)], found)) {
    selected_ = found;
    parts_.selected(found);
  }
  return true;
}

void ProfileCommands::selectLine(int line) {
  selectedLine_ = line >= 0 && line < static_cast<int>(lines_.size()) ? line : -1;
}

void ProfileCommands::selectLineShown(int line) {
  selectLine(line);
  parts_.view.setProfileLines(lines_, selectedLine_);
}

void ProfileCommands::add() { edit(false); }
void ProfileCommands::modify() { edit(true); }

void ProfileCommands::edit(bool modify) {
  ProfileEditRequest request;
  request.title = text(modify ? Text::ProfileModifyTitle : Text::ProfileAddTitle);
  if (!modify) return runDialog(request, false, {});
  if (!lineValid()) return;
  const std::string formerName = lines_[static_cast<std::size_t>(selectedLine_)];
  if (!parts_.store.findProfile(formerName, request.profile)) return;
  if (parts_.keyFiles) request.profile.keyFile = readProfileKeyFile(*parts_.keyFiles, formerName);
  request.prefilled = true;
  if (parts_.store.isProfileUsedBySchedule(formerName) || usedByAutoStart(parts_.working, formerName)) {
    request.restricted = true;
    parts_.prompter.askLater(text(Text::ProfileInUse), text(Text::ProfileModifyTitle),
                             PromptButtons::Ok, PromptIcon::None,
                             lifetime_.bind([this, request, formerName](PromptAnswer) {
                               runDialog(request, true, formerName);
                             }));
    return;
  }
  runDialog(request, true, formerName);
}

void ProfileCommands::runDialog(ProfileEditRequest request, bool modify,
                                const std::string& formerName) {
  std::optional<ProfileInfo> entered = parts_.dialogs.editProfile(request);
  if (!entered) return;
  const bool duplicate =
      parts_.store.profileExists(entered->name) && !(modify && entered->name == formerName);
  if (duplicate) {
    // Refused: the dialog opens again with what was entered.
    request.profile = *entered;
    request.prefilled = true;
    parts_.prompter.askLater(formatText(Text::ProfileDuplicateName, entered->name.c_str()),
                             text(Text::ProfileModifyTitle), PromptButtons::Ok,
                             PromptIcon::Warning,
                             lifetime_.bind([this, request, modify, formerName](PromptAnswer) {
                               runDialog(request, modify, formerName);
                             }));
    return;
  }
  if (modify) {
    parts_.store.modifyProfile(formerName, *entered);
  } else {
    parts_.store.addProfile(*entered);
  }
  if (parts_.keyFiles) {
    storeProfileKeyFile(*parts_.keyFiles, entered->name, entered->keyFile,
                        modify ? formerName : std::string());
  }
  fill(entered->name);
  readSelection();
}

void ProfileCommands::remove() {
  if (!lineValid()) return;
  const std::string name = lines_[static_cast<std::size_t>(selectedLine_)];
  if (!parts_.store.profileExists(name)) return;
  parts_.prompter.askLater(text(Text::ProfileDeleteQuestion), text(Text::ProfileDeleteCaption),
                           PromptButtons::YesNo, PromptIcon::None,
                           lifetime_.bind([this, name](PromptAnswer answer) {
                             if (answer == PromptAnswer::Yes) removeRefusingWhatIsInUse(name);
                             // The selected profile stays as it was until the
                             // next selection is read.
                             fill({});
                           }));
}

void ProfileCommands::removeRefusingWhatIsInUse(const std::string& name) {
  if (std::optional<Text> refusal = profileDeletionRefusal(parts_.store, parts_.working, name)) {
    parts_.prompter.askLater(text(*refusal), text(Text::FtpProfileDeleteCaption),
                             PromptButtons::Ok, PromptIcon::None, nullptr);
    return;
  }
  parts_.store.deleteProfile(name);
}

}  // namespace karone
