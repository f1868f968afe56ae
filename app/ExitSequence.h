#pragma once
// The orderly exit, the same for the window and the headless program: once
// capture has stopped, hang up a line we dialled, stop the reconnect
// countdown and show the exit-wait box; every half second, once the capture
// writer and the uploader are idle and no hang-up is under way, switch the
// device off, publish the stopped page and end the session; then ask whether
// to hang up a line that was up before we started, save everything, close
// the log after its last line and close the window.
//
// From the moment the exit starts, everything left to do with the server
// (a strip being stored, the stopped page, the session's end) shares one
// budget, so an unanswering server holds the exit up for that long at most.
//
// The exit button while capture runs only tells the operator to stop it
// first; a request from outside (a signal to the headless program) stops
// capture itself and then exits.
//
// Threads: the controller's thread only. The question at the end is asked
// without waiting; the exit goes on when it is answered.
#include <cstdint>
#include <functional>
#include <memory>

#include "app/Connection.h"
#include "app/MainView.h"
#include "app/ReconnectCountdown.h"
#include "capture/FramePipeline.h"
#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "platform/Lifetime.h"
#include "platform/Prompter.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"

namespace karone {

class ExitSequence {
 public:
  static constexpr int kPollMillis = 500;

  struct Parts {
    const TaskRunner& owner;  // the controller's thread
    TimerService& timers;
    Prompter& prompter;
    MainView& view;
    EventLog& log;
    FtpUploader& uploader;
    Connection& connection;
    FramePipeline& pipeline;
    ReconnectCountdown& countdown;
    // Stops capture, whether the operator or a schedule started it.
    std::function<void()> stopCapture;
    // Saves the settings and the data and lets the window close.
    std::function<void()> saveAndClose;
    // The exit's budget for the server, in all.
    std::int64_t ftpBudgetMillis = 30000;
  };

  explicit ExitSequence(Parts parts);

  // The exit button.
  void exitCommand();
  // An exit asked from outside: capture is stopped first.
  void exitStoppingCapture();
  // OK, Esc or a close request: true when the window may close now.
  bool closeRequested();

  bool armed() const { return armed_; }
  bool started() const { return started_; }
  bool finished() const { return finished_; }

 private:
  void poll();
  void finish();
  void beginBudget();

  Parts parts_;
  std::unique_ptr<Timer> poll_;
  bool armed_ = false;
  bool started_ = false;
  bool finished_ = false;
  bool afterCapture_ = false;  // exiting once capture has stopped
  bool budgetBegun_ = false;
  Lifetime lifetime_;
};

}  // namespace karone
