#pragma once
// What the main window forwards to the run controller: every click,
// selection and key the controller decides about. A widget calls one of
// these and draws what the controller then sets through MainView.
//
// Threads: window thread only.
#include <string>

#include "capture/CaptureMenu.h"

namespace karone {

class MainCommands {
 public:
  virtual ~MainCommands() = default;

  // --- Buttons ---
  virtual void startStopSending() = 0;     // 1003
  virtual void connectDisconnect() = 0;    // 1005
  virtual void exitCommand() = 0;          // 1029
  virtual void openScheduler() = 0;        // 1033
  virtual void addProfile() = 0;           // 32784
  virtual void modifyProfile() = 0;        // 32785
  virtual void deleteProfile() = 0;        // 32786
  virtual void deleteAllBuffers() = 0;     // 1024
  virtual void resetCounter() = 0;         // 1025
  virtual void goUp() = 0;                 // 1018

  // --- Lists ---
  // A line of the profile list was selected (-1: none).
  virtual void selectProfileLine(int line) = 0;
  // Double-click on a line of the profile list.
  virtual void profileLineActivated() = 0;
  // Double-click on an item of the remote directory view.
  virtual void directoryItemActivated(const std::string& name, bool isFolder) = 0;
  // "クリヤー" emptied the status monitor.
  virtual void statusMonitorCleared() = 0;

  // --- Caption row ---
  virtual void captionColourChanged(int index) = 0;
  // Enter in the caption entry, with its text (already within the limit).
  virtual void captionEntered(const std::string& text) = 0;
  virtual void clearCaption() = 0;  // 1093
  // The caption entry gets focus (mouse or keyboard), is pressed or takes a
  // key: true when the prompt text is shown and must be removed now (the
  // first use only).
  virtual bool captionEntryUsed() = 0;

  // --- The capture window's context menu (also from the "設定" button) ---
  // The menu as it is to be shown now; no items: no menu appears.
  virtual CaptureMenu captureMenu() = 0;
  virtual void captureMenuCommand(int command) = 0;

  // --- Closing ---
  // OK, Esc or a close request: true when the window may close now (the
  // exit has been armed and everything is saved).
  virtual bool closeRequested() = 0;
};

}  // namespace karone
