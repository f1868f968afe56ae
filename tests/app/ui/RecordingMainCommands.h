#pragma once
// Records what the main window forwards, one line per call ("connect",
// "select 2", "caption abc", ...), and answers its questions as set up. The
// prompt flag behaves as the controller's: the first press in the caption
// entry removes the prompt, later ones do not.
#include <string>
#include <vector>

#include "app/MainCommands.h"

namespace karone {

class RecordingMainCommands final : public MainCommands {
 public:
  std::vector<std::string> calls;
  CaptureMenu menu;
  bool promptShown = true;
  bool mayClose = false;
  int closeRequests = 0;

  void startStopSending() override { calls.push_back("start"); }
  void connectDisconnect() override { calls.push_back("connect"); }
  void exitCommand() override { calls.push_back("exit"); }
  void openScheduler() override { calls.push_back("scheduler"); }
  void addProfile() override { calls.push_back("add"); }
  void modifyProfile() override { calls.push_back("modify"); }
  void deleteProfile() override { calls.push_back("delete"); }
  void deleteAllBuffers() override { calls.push_back("deleteBuffers"); }
  void resetCounter() override { calls.push_back("resetCounter"); }
  void goUp() override { calls.push_back("up"); }
  void selectProfileLine(int line) override { calls.push_back("select " + std::to_string(line)); }
  void profileLineActivated() override { calls.push_back("activate"); }
  void directoryItemActivated(const std::string& name, bool isFolder) override {
    calls.push_back("open " + name + (isFolder ? " folder" : " file"));
  }
  void statusMonitorCleared() override { calls.push_back("monitorCleared"); }
  void captionColourChanged(int index) override { calls.push_back("colour " + std::to_string(index)); }
  void captionEntered(const std::string& text) override { calls.push_back("caption " + text); }
  void clearCaption() override { calls.push_back("clearCaption"); }
  bool captionEntryUsed() override {
    calls.push_back("used");
    bool remove = promptShown;
    promptShown = false;
    return remove;
  }
  CaptureMenu captureMenu() override {
    calls.push_back("menu");
    return menu;
  }
  void captureMenuCommand(int command) override {
    calls.push_back("command " + std::to_string(command));
  }
  bool closeRequested() override {
    ++closeRequests;
    return mayClose;
  }

  bool saw(const std::string& call) const {
    for (const auto& c : calls) {
      if (c == call) return true;
    }
    return false;
  }
};

}  // namespace karone
