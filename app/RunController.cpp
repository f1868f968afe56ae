#include "app/RunController.h"

#include <unistd.h>

#include "app/StartupNotes.h"
#include "app/WorkingSettings.h"
#include "platform/BufferFileNames.h"
#include "platform/Paths.h"
#include "resources/Texts.h"
#include "schedule/RecordRules.h"
#include "schedule/ScheduleRules.h"

namespace karone {
namespace {

FramePipeline::Options pipelineOptions(const AppSettings& values, const std::string& folder) {
  FramePipeline::Options o;
  o.framesPerStrip = values.iBufferSize;
  o.imageWidth = values.iImageWidth;
  o.imageHeight = values.iImageHeight;
  o.jpegQuality = values.iCmprQuality;
  o.lastDeviceName = values.strLastCaptureDevice;
  o.bufferFolder = folder;
  return o;
}

std::string folderOr(const std::string& folder, const std::string& otherwise) {
  return paths::withTrailingSlash(folder.empty() ? otherwise : folder);
}

}  // namespace

RunController::RunController(Parts parts)
    : clock_(parts.clock),
      prompter_(parts.prompter),
      dialogs_(parts.dialogs),
      view_(parts.view),
      parts_(parts),
      thread_(parts.runner, parts.timers, [this] { publishSnapshot(); }),
      settings_(parts.settings, parts.prompter),
      // The second record of the running number lives with the log.
      runningNumbers_(parts.settings,
                      parts.logFolder.empty()
                          ? std::string()
                          : paths::withTrailingSlash(parts.logFolder) +
                                RunningNumberKeeper::kRecordName),
      store_(parts.dataFile.empty() ? DataStore::defaultPath() : parts.dataFile, &parts.prompter,
             parts.clock),
      log_(parts.clock, parts.logFolder),
      logView_(thread_, parts.view,
               parts.view.statusClientWidth() > 0 ? parts.view.statusClientWidth() : 400),
      bridge_(thread_, parts.view, parts.prompter, snapshot_, *this),
      caption_(parts.view) {
  parts_.bufferFolder = folderOr(parts_.bufferFolder, paths::bufferDir());
  parts_.statusFolder = folderOr(parts_.statusFolder, parts_.bufferFolder);
  log_.setView(&logView_);
  uploader_ = std::make_unique<FtpUploader>(FtpUploader::Parts{
      parts_.ftpClient, log_,
      parts_.uploaderSleeper ? *parts_.uploaderSleeper : SystemSleeper::instance(),
      parts_.statusFolder, bridge_.eventSink(), bridge_.contextReader(), bridge_.requests()});
  connection_ = std::make_unique<Connection>(thread_, thread_, parts_.dialup, *uploader_, log_,
                                             prompter_, [this] { return capturing(); });
  profiles_ = std::make_unique<ProfileCommands>(ProfileCommands::Parts{
      store_, dialogs_, prompter_, view_, working_,
      [this](const ProfileInfo& profile) { connection_->setDialParams(profile); },
      &parts_.settings});
  connection_->setKeyFiles(&parts_.settings);
  countdown_ = std::make_unique<ReconnectCountdown>(
      thread_, thread_, log_, [this] { return capturing() || scheduledRun() || connected(); },
      [this] { uploader_->queue(upload::Reconnect{}); });
  buttonCaptions_ = thread_.createTimer([this] { onButtonCaptions(); });
  previewSettle_ = thread_.createTimer([this] {
    auto next = std::move(afterPreviewSettle_);
    afterPreviewSettle_ = nullptr;
    if (next) next();
  });
}

RunController::~RunController() {
  // Nothing posted from the workers may reach a controller that is going.
  bridge_.detach();
  logView_.detach();
  uploader_->StopWorker();  // commands still queued are dropped
  exit_.reset();
  monitor_.reset();
  connection_.reset();
  uploader_.reset();
  store_.saveIfBound();
  log_.setView(nullptr);
  capture_.reset();  // the capture writer ends after its current picture
}

// --- Start-up ---

void RunController::start() {
  thread_.step([this] {
    if (started_) return;
    started_ = true;
    settings_.EnsureDefaults();
    settings_.Load();
    const AppSettings values = settings_.Get();
    applySettings(values);
    uploader_->StartWorker();
    store_.ensureFileExists();
    store_.load();
    profiles_->fill({});
    log_.OpenLog();
    if (!settings_.damageNote().empty()) ShowStatus(settings_.damageNote());
    for (const std::string& note :
         startupNotes(store_, parts_.dialupNotes, {parts_.bufferFolder, parts_.statusFolder}))
      ShowStatus(note);
    const int line = values.iLastSelSiteInfoIndex;
    profiles_->selectLineShown(line >= 0 && line < static_cast<int>(profileLines().size()) ? line
                                                                                           : -1);
    profiles_->readSelection();
    buildParts(values);
    monitor_->start();
    connection_->link().adoptConnectedEntry();
    buttonCaptions_->start(kButtonCaptionMillis);
    onButtonCaptions();
  });
}

void RunController::buildParts(const AppSettings& values) {
  PipelineHost pipelineHost;
  pipelineHost.onEvent = [this](const PipelineEvent& event) { onPipelineEvent(event); };
  pipelineHost.uploaderIdle = [this] { return uploader_->IsIdle(); };
  CaptureWindowHost& captureHost = *this;
  capture_ = std::make_unique<CaptureWindow>(
      parts_.videoCapture, thread_, captureHost, std::move(pipelineHost), prompter_, clock_,
      thread_, parts_.preview, pipelineOptions(values, parts_.bufferFolder));
  capture_->pipeline().setFileCounter(
      runningNumbers_.startFrom(static_cast<std::uint32_t>(values.dwUniqueRunningNum)));
  capture_->pipeline().setFramesPerSecond(working_.frameRate);
  view_.setProgressRange(0, working_.framesPerStrip);
  monitor_ = std::make_unique<ScheduleMonitor>(
      ScheduleMonitor::Parts{thread_, thread_, clock_, store_, log_, view_, *uploader_, *connection_,
                             *capture_, working_, [this] { return exit_->started(); }});
  exit_ = std::make_unique<ExitSequence>(ExitSequence::Parts{
      thread_, thread_, prompter_, view_, log_, *uploader_, *connection_, capture_->pipeline(),
      *countdown_, [this] { stopSending(); }, [this] { saveAndClose(); },
      parts_.exitFtpBudgetMillis});
}

void RunController::applySettings(const AppSettings& values) {
  working_ = workingSettingsFrom(values);
  caption_.reset(values.iIndexFrgSubtitleColor);
  view_.setProgressLabel(
      text(working_.mode == 1 ? Text::ProgressLabelStill : Text::ProgressLabelMotion));
}

void RunController::publishSnapshot() {
  UploadContext v;
  v.capturing = capturing();
  v.captureMode = working_.mode;
  v.framesPerStrip = capture_ ? capture_->pipeline().framesPerStrip() : working_.framesPerStrip;
  v.framesPerSecond = capture_ ? capture_->pipeline().framesPerSecond() : working_.frameRate;
  v.bufferClipLimit = keptStrips(profiles_->selected());
  v.caption = caption_.caption();
  snapshot_.publish(v);
}

// --- State ---

bool RunController::capturing() const { return capture_ && capture_->pipeline().capturing(); }
bool RunController::scheduledRun() const { return capture_ && capture_->pipeline().scheduled(); }
std::optional<ScheduleInfo> RunController::runningSchedule() const {
  return monitor_ ? monitor_->running() : std::nullopt;
}

void RunController::onPipelineEvent(const PipelineEvent& event) {
  namespace pe = pipelineevent;
  struct Handle {
    RunController& c;
    void operator()(const pe::ProgressRange& e) { c.view_.setProgressRange(e.low, e.high); }
    void operator()(const pe::ProgressPosition& e) { c.view_.setProgressPosition(e.position); }
    void operator()(const pe::StatusText& e) { c.view_.setCaptureStatus(" " + e.text); }
    void operator()(const pe::FiveMinuteNotice&) { c.monitor_->stillFiveMinutes(); }
    void operator()(const pe::OneMinuteNotice&) { c.monitor_->stillOneMinute(); }
    void operator()(const pe::CaptureStopped&) { c.uploader_->queue(upload::EndSession{}); }
    void operator()(const pe::StopReconnectCountdown& e) { c.countdown_->stop(e.announce); }
    void operator()(const pe::PictureReady& e) { c.sendPicture(e.jpegPath, e.fileCounter); }
    void operator()(const pe::WorkFolderProblem& e) {
      c.workFolderFailing_ = true;
      c.ShowStatus(formatText(Text::WorkFolderCannotWrite, e.folder.c_str(), e.reason.c_str()));
    }
    void operator()(const pe::WorkFolderRecovered& e) {
      c.workFolderFailing_ = false;
      c.ShowStatus(formatText(Text::WorkFolderWritesAgain, e.folder.c_str()));
    }
    void operator()(const pe::CameraLost& e) {
      c.ShowStatus(formatText(Text::CameraLostLog, e.device.c_str(), e.reason.c_str()));
    }
    void operator()(const pe::CameraReturned& e) {
      c.ShowStatus(formatText(Text::CameraReturnedLog, e.device.c_str(),
                              static_cast<long long>(e.secondsGone)));
    }
  };
  std::visit(Handle{*this}, event);
}

// --- The window's commands ---

void RunController::selectProfileLine(int line) {
  thread_.step([&] { profiles_->selectLine(line); });
}
void RunController::selectProfileLineShown(int line) {
  thread_.step([&] { profiles_->selectLineShown(line); });
}
void RunController::profileLineActivated() {
  if (uploader_->IsIdle()) connectDisconnect();
}
void RunController::addProfile() { thread_.step([&] { profiles_->add(); }); }
void RunController::modifyProfile() { thread_.step([&] { profiles_->modify(); }); }
void RunController::deleteProfile() { thread_.step([&] { profiles_->remove(); }); }

void RunController::openScheduler() {
  thread_.step([&] {
    if (store_.profileCount() >= 1) return dialogs_.showScheduler(*this);
    prompter_.askLater(text(Text::SchedulerNeedsProfile), text(Text::SchedulerNeedsProfileCaption),
                       PromptButtons::Ok, PromptIcon::Warning, nullptr);
  });
}

void RunController::directoryItemActivated(const std::string& name, bool isFolder) {
  thread_.step([&] {
    if (!connection_->warnIfSuspect()) uploader_->queue(upload::ChangeDirectory{name, isFolder});
  });
}

void RunController::goUp() {
  thread_.step([&] {
    if (!connection_->warnIfSuspect()) uploader_->queue(upload::GoUp{});
  });
}

void RunController::deleteAllBuffers() { uploader_->queue(upload::DeleteAllBuffers{}); }

void RunController::resetCounter() {
  thread_.step([&] {
    capture_->pipeline().setFileCounter(0);
    // The operator starts the numbers again on purpose.
    runningNumbers_.store(0);
  });
}

void RunController::statusMonitorCleared() { logView_.cleared(); }

void RunController::captionColourChanged(int index) {
  thread_.step([&] { caption_.colourChanged(index); });
}
void RunController::captionEntered(const std::string& text) {
  thread_.step([&] { caption_.entered(text); });
}
void RunController::clearCaption() { thread_.step([&] { caption_.clear(); }); }
bool RunController::captionEntryUsed() { return caption_.entryUsed(); }

CaptureMenu RunController::captureMenu() { return capture_->menu(); }
void RunController::captureMenuCommand(int command) {
  thread_.step([&] { capture_->onMenuCommand(command); });
}

void RunController::exitCommand() { thread_.step([&] { exit_->exitCommand(); }); }
void RunController::exitStoppingCapture() { thread_.step([&] { exit_->exitStoppingCapture(); }); }
bool RunController::closeRequested() {
  return thread_.step([&] { return exit_->closeRequested(); });
}

// --- The capture window's dialogs ---

void RunController::openCaptureSettings() {
  CaptureSettings values = working_;
  const DialupLink::DialParams& p = connection_->link().dialParams();
  values.dialupEntry = p.entryName;
  values.dialupUser = p.userName;
  values.dialupPassword = p.password;
  std::vector<std::string> names;
  for (const ProfileInfo& profile : store_.profiles()) names.push_back(profile.name);
  if (!dialogs_.editCaptureSettings(values, names)) return;
  working_ = values;
  capture_->pipeline().setJpegQuality(working_.quality);
  view_.setProgressRange(0, working_.framesPerStrip);
  view_.setProgressLabel(
      text(working_.mode == 1 ? Text::ProgressLabelStill : Text::ProgressLabelMotion));
}

void RunController::openColourSettings(VideoProcAmp& procAmp) {
  dialogs_.showColourSettings(procAmp);
}

int RunController::stillPeriodSeconds() const {
  if (std::optional<ScheduleInfo> running = runningSchedule()) return running->updatePeriod;
  return stillIntervalSeconds(working_.stillUnit, working_.stillIndex);
}

// --- Connect and disconnect ---

void RunController::connectDisconnect() {
  thread_.step([&] {
    DialupLink& link = connection_->link();
    if (link.WeDialled()) {
      connection_->hangUpOwnLine();
    } else if (connected()) {
      if (scheduledRun() || capturing()) {
        prompter_.askLater(text(Text::CaptureRunningCannotDisconnect),
                           text(Text::SiteDisconnectCaption), PromptButtons::Ok,
                           PromptIcon::Warning, nullptr);
        return;
      }
      link.setStopRedial(true);
      connection_->close();
    } else if (!scheduledRun() && !capturing()) {
      connectSelected();
    }
    onButtonCaptions();
  });
}

void RunController::connectSelected() {
  if (profiles_->readSelection()) connection_->open(profiles_->selected());
  countdown_->stop(true);
}

void RunController::onButtonCaptions() {
  const std::string start =
      text(scheduledRun() || capturing() ? Text::StopSending : Text::StartSending);
  const std::string link =
      text(connected() || connection_->lineUp() ? Text::Disconnect : Text::Connect);
  if (start != startCaption_) view_.setStartCaption(startCaption_ = start);
  if (link != connectCaption_) view_.setConnectCaption(connectCaption_ = link);
}

// --- Start and stop ---

void RunController::startStopSending() { startStopSendingThen(nullptr); }

void RunController::startStopSendingThen(std::function<void()> done) {
  thread_.step([&] {
    auto finish = [this, done = std::move(done)] {
      onButtonCaptions();
      // Whoever waits for the start reads the snapshot next: it hears of
      // the start in a task of its own, after this step has published it.
      if (done) thread_.post(done);
    };
    if (capturing() && !scheduledRun()) {
      stopSending();
      finish();
    } else if (capturing()) {
      // One question at a time; the answer decides when it comes.
      if (stopQuestionOpen_) return finish();
      stopQuestionOpen_ = true;
      prompter_.askLater(text(Text::ScheduledRunQuestion), text(Text::SiteDisconnectCaption),
                         PromptButtons::YesNo, PromptIcon::Warning,
                         lifetime_.bind([this, finish](PromptAnswer answer) {
                           stopQuestionOpen_ = false;
                           // The run may have ended while the box was open.
                           if (answer == PromptAnswer::Yes && scheduledRun()) monitor_->stopRun();
                           finish();
                         }));
    } else if (connection_->warnIfSuspect()) {
      finish();
    } else if (!connected()) {
      ShowStatus(text(Text::NotConnected));
      finish();
    } else {
      startCapture(std::move(finish));
    }
  });
}

void RunController::stopSending() {
  if (scheduledRun()) return monitor_->stopRun();
  capture_->pipeline().StopCapture();
  view_.setBufferButtonsEnabled(true);
}

void RunController::startCapture(std::function<void()> done) {
  FramePipeline& p = capture_->pipeline();
  p.setFramesPerSecond(working_.frameRate);
  p.AllocateSlots(working_.framesPerStrip);
  auto go = [this, done = std::move(done)] {
    const CaptureSessionSettings session{working_.mode, stillPeriodSeconds(),
                                         working_.autoReconnect};
    if (capture_->pipeline().StartCapture(false, session)) view_.setBufferButtonsEnabled(false);
    if (done) done();
  };
  if (p.graphRunning()) return go();
  capture_->togglePreview();
  afterPreviewSettle_ = std::move(go);
  previewSettle_->startOnce(kPreviewSettleMillis);
}

// --- Pictures to the uploader ---

void RunController::sendPicture(const std::string& jpegPath, std::uint32_t fileCounter) {
  if (!runningNumbers_.reserve(fileCounter)) {
    // Never publish a number that a crash could make us publish again.
    ShowStatus(formatText(Text::RunningNumberNotStored, fileCounter));
    ::unlink(jpegPath.c_str());
    capture_->pipeline().ClearUploadFlags();
    return;
  }
  FrameRequest frame;
  frame.captureMode = working_.mode;
  frame.localPath = jpegPath;
  frame.keepPrevious = working_.keepOldImages;
  frame.backupPrefix = std::string(kStillBackupPrefix);
  frame.runningNumber = fileCounter;
  uploader_->queue(upload::UploadFrame{frame});
}

void RunController::OnUploadDone() {
  capture_->pipeline().ClearUploadFlags();
  // The stopped page, when capture has stopped, went out on the worker.
  if (working_.mode != 1) return;
  const std::optional<ScheduleInfo> running = runningSchedule();
  if (working_.autoReconnect || running) uploader_->queue(upload::DisconnectAndHangUp{});
  if (running && timeUntilEnd(*running, clock_.now()) < stillPeriodSeconds()) {
    ShowStatus(text(Text::ScheduleEndedBeforeNextShot));
    monitor_->stopRun();
  }
}

void RunController::OnSessionOpened(bool ok) {
  if (ok) uploadsGaveUp_ = false;
  connection_->sessionOpened(ok);
  onButtonCaptions();
}

void RunController::OnDisconnected() {
  connection_->disconnected();
  onButtonCaptions();
}

void RunController::stripsOnServer(const std::vector<std::uint32_t>& numbers) {
  // A lost settings file must not make us publish a name the server (or a
  // cache in front of it) still holds.
  FramePipeline& p = capture_->pipeline();
  const std::uint32_t next = RunningNumberKeeper::beyondStrips(p.fileCounter(), numbers);
  if (next == p.fileCounter()) return;
  p.setFileCounter(next);
  ShowStatus(formatText(Text::RunningNumberBeyondServer, next));
}

void RunController::StopAndDisconnect() {
  uploadsGaveUp_ = true;  // the uploader's recovery gave up
  capture_->pipeline().StopCapture();
  connection_->close();
  onButtonCaptions();
}

void RunController::ClearStopping() { capture_->pipeline().ClearStopping(); }

// --- The scheduler's questions ---

std::optional<std::string> RunController::runningScheduleName() {
  std::optional<ScheduleInfo> running = runningSchedule();
  return running ? std::optional<std::string>(running->name) : std::nullopt;
}

bool RunController::profileUsesDialup(const std::string& profileName) {
  ProfileInfo profile;
  return store_.findProfile(profileName, profile) && profile.useDialup != 0;
}

// --- Exit ---

void RunController::saveAndClose() {
  monitor_->stop();
  settings_.Set(settingsAtClose({working_, capture_->pipeline(), profiles_->selectedLine(),
                                 capture_->lastDeviceName(), caption_.colourIndex()}));
  settings_.Save();
  runningNumbers_.store(capture_->pipeline().fileCounter());  // the second record too
  // The uploader's worker ends; the data store is written.
  bridge_.detach();
  uploader_->StopWorker();
  store_.saveIfBound();
}

}  // namespace karone
