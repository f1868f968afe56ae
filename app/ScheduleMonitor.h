#pragma once
// The schedule monitor: every second it shows the next (or running)
// schedule with its countdown, dials five minutes and connects one minute
// before a schedule starts, starts the scheduled capture on time and stops
// it at the end, then closes the session once the uploader has finished.
// It also carries the automatic start in still mode (dial five minutes,
// connect one minute before each picture) and drives the idle-session check
// of the connection. Once the exit has started it still shows what is next
// but dials, connects and starts nothing any more.
//
// Threads: the controller's thread only.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/Connection.h"
#include "app/MainView.h"
#include "capture/CaptureSettings.h"
#include "capture/CaptureWindow.h"
#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "platform/Clock.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"
#include "schedule/DataStore.h"

namespace karone {

class ScheduleMonitor {
 public:
  static constexpr int kPeriodMillis = 1000;
  static constexpr int kDrainMillis = 1000;

  struct Parts {
    const TaskRunner& owner;  // the controller's thread
    TimerService& timers;
    const Clock& clock;
    DataStore& store;
    EventLog& log;
    MainView& view;
    FtpUploader& uploader;
    Connection& connection;
    CaptureWindow& capture;
    // The controller's working capture settings: a scheduled run sets the
    // mode and the profile of the session.
    CaptureSettings& working;
    std::function<bool()> exitStarted;
  };

  explicit ScheduleMonitor(Parts parts);

  // Starts the monitor with a first tick at once.
  void start();
  void stop();

  // The running scheduled session, if one runs.
  std::optional<ScheduleInfo> running() const;
  // Stops the running scheduled session and closes its session afterwards.
  void stopRun();

  // The automatic start in still mode, five and one minute before a picture.
  void stillFiveMinutes();
  void stillOneMinute();

 private:
  void tick();
  void showRunning(Seconds now);
  void showNext(bool act);
  void actOnNext(Seconds secondsLeft, const ScheduleInfo& next);
  void showLines(const std::string& a, const std::string& b, const std::string& c);
  bool capturing() const;
  bool prepareRun(const ScheduleInfo& schedule);
  void startRun(const ScheduleInfo& schedule);
  void drain();

  Parts parts_;
  std::unique_ptr<Timer> timer_;
  std::unique_ptr<Timer> drain_;
  std::optional<ScheduleInfo> running_;
  bool fiveMinuteNoticeDone_ = false;
  bool oneMinuteNoticeDone_ = false;
  bool skipSessionCheck_ = false;
};

}  // namespace karone
