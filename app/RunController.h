#pragma once
// The run controller: everything of the main window and the capture window
// that is not drawing. It owns the settings, the data store, the event log,
// the FTP uploader, the capture window (graph and frame pipeline) and the
// dial-up link; it decides when capture runs and when the FTP session and
// the line are open: the operator's commands, the schedule monitor that
// dials five minutes and connects one minute ahead and starts and stops
// scheduled runs, the idle-session check, the automatic start in still
// mode, the reconnect countdown after the uploader has given up, and the
// orderly exit. What it shows goes through MainView; what the operator
// clicks arrives through MainCommands.
//
// Threads: it and everything it owns that is not thread-safe live on one
// thread, the task runner's (the window thread, or the headless program's
// loop). The uploader's worker, the capture writer, the preview's streaming
// thread and the dial-up service reach it only by posting tasks through the
// task runner (UploaderBridge, PostingLogView, the pipeline's events, the
// dial-up link) and read what they must know at once from the RunSnapshot
// it publishes. No wait of the controller blocks its thread: the pauses of
// the run (500 ms after the preview is switched on, 1 s before a session
// check, 3 s after a hang-up at exit) are timer steps.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/Dialogs.h"
#include "app/DialupHost.h"
#include "app/DialupLink.h"
#include "app/MainCommands.h"
#include "app/MainView.h"
#include "app/PostingLogView.h"
#include "app/RunSnapshot.h"
#include "app/RunningNumberKeeper.h"
#include "schedule/SchedulerContext.h"
#include "app/SettingsStore.h"
#include "app/UploaderBridge.h"
#include "capture/CaptureSettings.h"
#include "capture/CaptureWindow.h"
#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "platform/Clock.h"
#include "platform/DialupService.h"
#include "platform/FtpClient.h"
#include "platform/Prompter.h"
#include "platform/SettingsStorage.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"
#include "platform/VideoCapture.h"
#include "schedule/DataStore.h"

namespace karone {

class RunController final : public MainCommands,
                            private UploaderEvents,
                            private CaptureWindowHost,
                            private DialupHost,
                            private SchedulerContext {
 public:
  // Timer periods.
  static constexpr int kScheduleMonitorMillis = 1000;  // timer 200
  static constexpr int kButtonCaptionMillis = 500;     // timer 1000
  static constexpr int kExitPollMillis = 500;          // timer 100
  static constexpr int kDrainMillis = 1000;            // timer 300
  static constexpr int kReconnectMinuteMillis = 60000; // timer 400
  static constexpr int kReconnectMinutes = 15;
  static constexpr int kPreviewSettleMillis = 500;
  static constexpr int kSessionCheckDelayMillis = 1000;
  static constexpr int kIdleSessionSeconds = 60;

  struct Parts {
    Parts(TaskRunner& runner, TimerService& timers, const Clock& clock, Prompter& prompter,
          Dialogs& dialogs, MainView& view, FtpClient& ftpClient, VideoCapture& videoCapture,
          DialupService& dialup, SettingsStorage& settings)
        : runner(runner),
          timers(timers),
          clock(clock),
          prompter(prompter),
          dialogs(dialogs),
          view(view),
          ftpClient(ftpClient),
          videoCapture(videoCapture),
          dialup(dialup),
          settings(settings) {}

    TaskRunner& runner;
    TimerService& timers;
    const Clock& clock;
    Prompter& prompter;  // on the controller's thread
    Dialogs& dialogs;
    MainView& view;
    FtpClient& ftpClient;
    VideoCapture& videoCapture;
    DialupService& dialup;
    SettingsStorage& settings;
    PreviewSink* preview = nullptr;
    std::string dataFile;      // empty: the program's data file
    std::string logFolder;     // empty: paths::stateDir()
    std::string bufferFolder;  // empty: paths::bufferDir()
    // Folder of the local copy of the status page; empty: the buffer folder.
    std::string statusFolder;
    // The uploader's pauses between reconnection tries (its worker thread);
    // null: real time.
    Sleeper* uploaderSleeper = nullptr;
    // Lines for the status monitor once the log is open (how the program
    // found its dial-up service, say).
    std::vector<std::string> startupNotes;
  };

  explicit RunController(Parts parts);
  ~RunController() override;
  RunController(const RunController&) = delete;
  RunController& operator=(const RunController&) = delete;

  // The window's initialisation, in its order: settings, the uploader and
  // its worker, the data store, the profile list, the event log, the
  // selected profile, the capture window, the timers, an existing dial-up
  // connection. Once, after the view exists.
  void start();

  // --- MainCommands ---
  void startStopSending() override;
  void connectDisconnect() override;
  void exitCommand() override;
  void openScheduler() override;
  void addProfile() override;
  void modifyProfile() override;
  void deleteProfile() override;
  void deleteAllBuffers() override;
  void resetCounter() override;
  void goUp() override;
  void selectProfileLine(int line) override;
  void profileLineActivated() override;
  void directoryItemActivated(const std::string& name, bool isFolder) override;
  void statusMonitorCleared() override;
  void captionColourChanged(int index) override;
  void captionEntered(const std::string& text) override;
  void clearCaption() override;
  bool captionEntryPressed() override;
  CaptureMenu captureMenu() override;
  void captureMenuCommand(int command) override;
  bool closeRequested() override;

  // --- Operations of the run (controller's thread) ---
  void ShowStatus(const std::string& line) override;
  void StopScheduledCapture();
  void StopAndDisconnect() override;
  void StartReconnectCountdown() override;
  void StopReconnectCountdown(bool announce) override;
  bool profileUsesDialup(const std::string& profileName) override;
  // The caption for the status page: its text and the colour selected now.
  Caption GetCaption() const;
  // Selects a profile line for a start without clicks: as a click on it,
  // and the list shows it selected.
  void selectProfileLineShown(int line);

  // --- State, for the window, the headless program and tests ---
  bool capturing() const;
  bool scheduledRun() const;
  bool connected() const;
  bool exitArmed() const { return exitArmed_; }
  // The exit has finished: settings and data saved, the window may close.
  bool finished() const { return finished_; }
  bool sessionSuspect() const { return sessionSuspect_; }
  bool reconnectActive() const { return reconnectActive_; }
  int reconnectCountdown() const { return reconnectCountdown_; }
  const ProfileInfo& selectedProfile() const { return selectedProfile_; }
  const ProfileInfo& activeProfile() const { return activeProfile_; }
  std::optional<ScheduleInfo> runningSchedule() const;
  const CaptureSettings& workingSettings() const { return working_; }
  int selectedLine() const { return selectedLine_; }
  const std::vector<std::string>& profileLines() const { return profileLines_; }
  SchedulerContext& schedulerContext() { return *this; }

  FtpUploader& uploader() { return *uploader_; }
  CaptureWindow& captureWindow() { return *capture_; }
  DialupLink& dialupLink() { return dialupLink_; }
  DataStore& dataStore() override { return store_; }
  EventLog& eventLog() { return log_; }
  SettingsStore& settingsStore() { return settings_; }

 private:
  // --- UploaderEvents (controller's thread) ---
  void OnUploadDone() override;
  void OnSessionOpened(bool ok) override;
  void OnDisconnected() override;
  void startStopSendingThen(std::function<void()> done) override;
  void hangUpAfterUploader() override;
  void ClearStopping() override;
  void resetIdleSeconds() override { idleSeconds_ = 0; }

  // --- CaptureWindowHost ---
  void openCaptureSettings() override;
  void openColourSettings(VideoProcAmp& procAmp) override;
  void openAbout() override;

  // --- The frame pipeline's host ---
  PipelineHost pipelineHost();
  void onPipelineEvent(const PipelineEvent& event);
  void setProgressRange(int low, int high);
  void setProgressPosition(int position);
  void setStatusText(const std::string& text);
  void fiveMinuteNotice();
  void oneMinuteNotice();
  void captureStopped();
  void pictureReady(const std::string& jpegPath, std::uint32_t fileCounter);
  bool uploaderIdle() const;
  // What a session started now takes of the settings.
  CaptureSessionSettings sessionSettings(bool scheduled) const;
  int stillPeriodSeconds() const;

  // --- DialupHost ---
  void QueueConnect() override;

  // --- SchedulerContext ---
  std::optional<std::string> runningScheduleName() override;
  std::vector<int> videoInputTypes() override;
  const Clock& clock() override { return clock_; }
  Prompter& prompter() override { return prompter_; }

  // --- Steps ---
  void applySettings(const AppSettings& values);
  void publishSnapshot();
  void fillProfileList(const std::string& select);
  bool readSelection();
  void onScheduleMonitor();   // timer 200
  void onButtonCaptions();    // timer 1000
  void onExitPoll();          // timer 100
  void onDrain();             // timer 300
  void onReconnectMinute();   // timer 400
  bool prepareScheduledRun(const ScheduleInfo& schedule);
  void startScheduledCapture(const ScheduleInfo& schedule);
  void startCapture(std::function<void()> done);
  void stopCapture();
  void setBufferButtons(bool enabled);
  void dial(const ProfileInfo& profile, bool dialOnly);
  void setDialParams(const ProfileInfo& profile);
  int stillPreDial();
  int stillPreConnect();
  bool warnIfSessionSuspect();
  void checkIdleSession();
  // A callback for the worker that runs `then` on this thread (while the
  // controller lives).
  std::function<void(bool)> onThisThread(std::function<void(bool)> then);
  void editProfile(bool modify);
  void shutDown();
  AppSettings settingsAtClose() const;
  int bufferClipLimit() const;

  TaskRunner& runner_;
  TimerService& timers_;
  const Clock& clock_;
  Prompter& prompter_;
  Dialogs& dialogs_;
  MainView& view_;
  Parts parts_;

  SettingsStore settings_;
  RunningNumberKeeper runningNumbers_;
  DataStore store_;
  EventLog log_;
  PostingLogView logView_;
  RunSnapshot snapshot_;
  UploaderBridge bridge_;
  std::unique_ptr<FtpUploader> uploader_;
  std::unique_ptr<CaptureWindow> capture_;
  DialupLink dialupLink_;

  std::unique_ptr<Timer> scheduleMonitor_;  // 200
  std::unique_ptr<Timer> buttonCaptions_;   // 1000
  std::unique_ptr<Timer> exitPoll_;         // 100
  std::unique_ptr<Timer> drain_;            // 300
  std::unique_ptr<Timer> reconnectMinute_;  // 400
  std::unique_ptr<Timer> previewSettle_;    // the pause after switching the preview on
  std::unique_ptr<Timer> sessionCheck_;     // the pause before an idle-session check
  std::function<void()> afterPreviewSettle_;

  bool started_ = false;
  // Working copies of the capture settings (mode, rates, quality, still
  // period, keep-earlier-images, automatic start and its profile).
  CaptureSettings working_;
  ProfileInfo selectedProfile_;
  ProfileInfo activeProfile_;
  std::vector<std::string> profileLines_;  // sorted as shown
  int selectedLine_ = -1;
  std::optional<ScheduleInfo> runningSchedule_;
  Seconds scheduleSecondsLeft_ = 0;
  bool fiveMinuteNoticeDone_ = false;
  bool oneMinuteNoticeDone_ = false;
  bool skipSessionCheck_ = false;
  std::atomic<int> idleSeconds_{0};
  bool sessionSuspect_ = false;
  bool reconnectActive_ = false;
  int reconnectCountdown_ = kReconnectMinutes;
  bool exitArmed_ = false;
  bool exitStarted_ = false;
  bool exitAsked_ = false;  // the dial-up question at exit is asked once
  bool finished_ = false;
  // Caption state.
  std::string captionText_;
  int captionColourIndex_ = 0;
  bool captionPromptShown_ = true;
  // Tasks posted from other threads run only while the controller lives.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  // Last texts shown, so the view is told only of changes.
  std::string startCaption_;
  std::string connectCaption_;
};

}  // namespace karone
