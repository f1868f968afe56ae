#pragma once
// Starting a broadcast without clicks, for the headless program and for the
// window's --start: choose the profile (the one named, or the line last
// selected) and the capture device (the one named, or the preferred one),
// switch the preview on, connect, and once the session is open start
// sending (unless only connecting, or only the preview, was asked for). A
// first connection that cannot be opened is reported once.
//
// Threads: the run controller's thread.
#include <functional>
#include <memory>
#include <string>

#include "app/RunController.h"
#include "platform/Timers.h"

namespace karone {

class AutoStart {
 public:
  struct Options {
    std::string profile;  // empty: the line last selected
    std::string device;   // empty: the preferred device
    bool startSending = true;
    // False: only switch the preview on (no profile is chosen, nothing
    // connects).
    bool connect = true;
  };
  // What begin() could not do: 1 a start-up failure, 2 an unknown name.
  struct Failure {
    int status = 0;
    std::string message;  // one line
  };

  // onConnectFailure runs once when the first connection cannot be opened.
  AutoStart(RunController& controller, TimerService& timers,
            std::function<void(const std::string& message)> onConnectFailure);

  // Chooses, switches the preview on and connects. Nothing (status 0) on
  // success; then watches until sending has started.
  Failure begin(const Options& options);
  bool sendingStarted() const { return started_; }

 private:
  void tick();

  RunController& controller_;
  std::function<void(const std::string&)> onConnectFailure_;
  std::unique_ptr<Timer> watch_;
  std::string profileName_;
  bool started_ = false;
  bool everConnected_ = false;
  bool failed_ = false;
  int ticks_ = 0;
};

}  // namespace karone
