#pragma once
// The run controller: everything of the main window and the capture window
// that is not drawing. It owns the settings, the data store, the event log,
// the FTP uploader, the capture window (graph and frame pipeline) and the
// session with its dial-up line, and coordinates the parts that each own one
// job with its timers:
//   Connection          the FTP session, its line and the idle-session check
//   ProfileCommands     the profile list and its add, modify and delete
//   ScheduleMonitor     scheduled runs and the automatic start in still mode
//   ReconnectCountdown  the fifteen minutes after the uploader has given up
//   CaptionState        the caption and its colour
//   ExitSequence        the orderly exit
// The controller itself keeps connect and disconnect, start and stop of
// sending, and the hand-off of each finished picture to the uploader. What
// it shows goes through MainView; what the operator clicks arrives through
// MainCommands.
//
// Threads: it and everything it owns that is not thread-safe live on one
// thread, the task runner's (the window thread, or the headless program's
// loop). The uploader's worker, the capture writer, the preview's streaming
// thread and the dial-up service reach it only by posting tasks through the
// task runner and read what they must know at once from the RunSnapshot,
// which is published after every task, timer tick and command that runs on
// that thread (ControllerThread). No wait of the controller blocks its
// thread, and questions to the operator are asked without waiting.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "app/CaptionState.h"
#include "app/Connection.h"
#include "app/ControllerThread.h"
#include "app/Dialogs.h"
#include "app/ExitSequence.h"
#include "app/MainCommands.h"
#include "app/MainView.h"
#include "app/PostingLogView.h"
#include "app/ProfileCommands.h"
#include "app/ReconnectCountdown.h"
#include "app/RunSnapshot.h"
#include "app/RunningNumberKeeper.h"
#include "app/ScheduleMonitor.h"
#include "app/SettingsStore.h"
#include "app/UploaderBridge.h"
#include "capture/CaptureSettings.h"
#include "capture/CaptureWindow.h"
#include "ftp/EventLog.h"
#include "ftp/FtpUploader.h"
#include "platform/Clock.h"
#include "platform/DialupService.h"
#include "platform/FtpClient.h"
#include "platform/Lifetime.h"
#include "platform/Prompter.h"
#include "platform/SettingsStorage.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"
#include "platform/VideoCapture.h"
#include "schedule/DataStore.h"
#include "schedule/SchedulerContext.h"

namespace karone {

class RunController final : public MainCommands,
                            private UploaderEvents,
                            private CaptureWindowHost,
                            private SchedulerContext {
 public:
  static constexpr int kButtonCaptionMillis = 500;
  static constexpr int kPreviewSettleMillis = 500;

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
    // The log and the running number's second record; empty: paths::stateDir().
    std::string logFolder;
    std::string bufferFolder;  // empty: paths::bufferDir()
    // Folder of the local copy of the status page; empty: the buffer folder.
    std::string statusFolder;
    // The uploader's pauses between reconnection tries (its worker thread);
    // null: real time.
    Sleeper* uploaderSleeper = nullptr;
    // How long the orderly exit may spend on the server in all (two of the
    // FTP client's time-outs).
    std::int64_t exitFtpBudgetMillis = 30000;
    // How the program found its dial-up service, for the status monitor
    // once the log is open; shown only when a stored profile dials (the
    // schedules run on the stored profiles), since nobody else needs it.
    std::vector<std::string> dialupNotes;
  };

  explicit RunController(Parts parts);
  ~RunController() override;
  RunController(const RunController&) = delete;
  RunController& operator=(const RunController&) = delete;

  // The window's initialisation, in its order: settings, the uploader's
  // worker, the data store, the profile list, the event log, the selected
  // profile, the capture window, the timers, an existing dial-up
  // connection. Once, after the view exists, and with the instance lock
  // held: the pictures an earlier run left in the work folder are removed.
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
  bool captionEntryUsed() override;
  CaptureMenu captureMenu() override;
  void captureMenuCommand(int command) override;
  bool closeRequested() override;

  // An exit asked from outside the window (a signal): capture is stopped
  // first, then the orderly exit runs.
  void exitStoppingCapture();
  // The countdown to the next timed reconnect (the uploader starts it when
  // it has given up).
  void StartReconnectCountdown() override { countdown_->start(); }
  void StopReconnectCountdown(bool announce) override { countdown_->stop(announce); }
  // Selects a profile line for a start without clicks: as a click on it,
  // and the list shows it selected.
  void selectProfileLineShown(int line);

  // --- State, for the window, the headless program and tests ---
  void ShowStatus(const std::string& line) override { log_.Log(line); }
  Caption GetCaption() const { return caption_.caption(); }
  bool capturing() const;
  bool scheduledRun() const;
  bool connected() const { return connection_->connected(); }
  bool exitArmed() const { return exit_ && exit_->armed(); }
  // The exit has finished: settings and data saved, the window may close.
  bool finished() const { return exit_ && exit_->finished(); }
  bool sessionSuspect() const { return connection_->suspect(); }
  // A fault stands that stopped the broadcast or keeps it from publishing:
  // the uploads gave up (until a session opens again), or the work folder
  // cannot take a picture (until one is written again).
  bool faultStanding() const { return uploadsGaveUp_ || workFolderFailing_; }
  bool reconnectActive() const { return countdown_->active(); }
  int reconnectCountdown() const { return countdown_->minutesLeft(); }
  const ProfileInfo& selectedProfile() const { return profiles_->selected(); }
  const ProfileInfo& activeProfile() const { return connection_->active(); }
  std::optional<ScheduleInfo> runningSchedule() const;
  const CaptureSettings& workingSettings() const { return working_; }
  int selectedLine() const { return profiles_->selectedLine(); }
  const std::vector<std::string>& profileLines() const { return profiles_->lines(); }
  SchedulerContext& schedulerContext() { return *this; }

  FtpUploader& uploader() { return *uploader_; }
  CaptureWindow& captureWindow() { return *capture_; }
  DialupLink& dialupLink() { return connection_->link(); }
  DataStore& dataStore() override { return store_; }
  EventLog& eventLog() { return log_; }
  SettingsStore& settingsStore() { return settings_; }

 private:
  // --- UploaderEvents ---
  void OnUploadDone() override;
  void OnSessionOpened(bool ok) override;
  void OnDisconnected() override;
  void startStopSendingThen(std::function<void()> done) override;
  void StopAndDisconnect() override;
  void hangUpAfterUploader() override { connection_->link().HangUp(); }
  void ClearStopping() override;
  void resetIdleSeconds() override { connection_->activity(); }
  void stripsOnServer(const std::vector<std::uint32_t>& numbers) override;

  // --- The capture window: its menu's dialogs and the pipeline's events ---
  void openCaptureSettings() override;
  void openColourSettings(VideoProcAmp& procAmp) override;
  void openAbout() override { dialogs_.showAbout(); }

  // --- SchedulerContext ---
  std::optional<std::string> runningScheduleName() override;
  std::vector<int> videoInputTypes() override { return capture_->videoInputTypes(); }
  const Clock& clock() override { return clock_; }
  Prompter& prompter() override { return prompter_; }
  bool profileUsesDialup(const std::string& profileName) override;

  void onPipelineEvent(const PipelineEvent& event);
  int stillPeriodSeconds() const;

  // --- Steps ---
  void applySettings(const AppSettings& values);
  void buildParts(const AppSettings& values);
  void publishSnapshot();
  void onButtonCaptions();
  void connectSelected();
  void startCapture(std::function<void()> done);
  void stopSending();
  void sendPicture(const std::string& jpegPath, std::uint32_t fileCounter);
  void saveAndClose();

  const Clock& clock_;
  Prompter& prompter_;
  Dialogs& dialogs_;
  MainView& view_;
  Parts parts_;
  ControllerThread thread_;

  SettingsStore settings_;
  RunningNumberKeeper runningNumbers_;
  DataStore store_;
  EventLog log_;
  PostingLogView logView_;
  RunSnapshot snapshot_;
  UploaderBridge bridge_;
  std::unique_ptr<FtpUploader> uploader_;
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<ProfileCommands> profiles_;
  std::unique_ptr<ReconnectCountdown> countdown_;
  CaptionState caption_;
  // Made at start(), once the settings are read.
  std::unique_ptr<CaptureWindow> capture_;
  std::unique_ptr<ScheduleMonitor> monitor_;
  std::unique_ptr<ExitSequence> exit_;

  std::unique_ptr<Timer> buttonCaptions_;
  std::unique_ptr<Timer> previewSettle_;  // the pause after switching the preview on
  std::function<void()> afterPreviewSettle_;

  bool started_ = false;
  // Working copies of the capture settings (mode, rates, quality, still
  // period, keep-earlier-images, automatic start and its profile).
  CaptureSettings working_;
  bool stopQuestionOpen_ = false;
  bool uploadsGaveUp_ = false;
  bool workFolderFailing_ = false;
  // Last texts shown, so the view is told only of changes.
  std::string startCaption_;
  std::string connectCaption_;
  Lifetime lifetime_;
};

}  // namespace karone
