#include "app/RunController.h"

#include <algorithm>
#include <unistd.h>
#include <variant>

#include "app/Caption.h"
#include "platform/BufferFileNames.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "resources/Texts.h"
#include "schedule/ScheduleCountdown.h"
#include "schedule/ScheduleRules.h"

namespace karone {
namespace {

std::string blankBefore(const std::string& text) { return " " + text; }

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

}  // namespace

RunController::RunController(Parts parts)
    : runner_(parts.runner),
      timers_(parts.timers),
      clock_(parts.clock),
      prompter_(parts.prompter),
      dialogs_(parts.dialogs),
      view_(parts.view),
      parts_(parts),
      settings_(parts.settings, parts.prompter),
      runningNumbers_(parts.settings),
      store_(parts.dataFile.empty() ? DataStore::defaultPath() : parts.dataFile, &parts.prompter,
             parts.clock),
      log_(parts.clock, parts.logFolder),
      logView_(parts.runner, parts.view,
               [&view = parts.view](const std::string& text) {
                 // The view's font where it has one; else 6 pixels a byte.
                 const int width = view.statusTextWidth(text);
                 return width > 0 ? width : 6 * static_cast<int>(textcodec::cp932Length(text));
               },
               parts.view.statusClientWidth() > 0 ? parts.view.statusClientWidth() : 400),
      bridge_(parts.runner, parts.view, parts.prompter, snapshot_, *this),
      dialupLink_(parts.dialup, parts.runner, parts.timers, *this) {
  if (parts_.bufferFolder.empty()) parts_.bufferFolder = paths::bufferDir();
  parts_.bufferFolder = paths::withTrailingSlash(parts_.bufferFolder);
  if (parts_.statusFolder.empty()) parts_.statusFolder = parts_.bufferFolder;
  parts_.statusFolder = paths::withTrailingSlash(parts_.statusFolder);
  log_.setView(&logView_);

  scheduleMonitor_ = timers_.createTimer([this] { onScheduleMonitor(); });
  buttonCaptions_ = timers_.createTimer([this] { onButtonCaptions(); });
  exitPoll_ = timers_.createTimer([this] { onExitPoll(); });
  drain_ = timers_.createTimer([this] { onDrain(); });
  reconnectMinute_ = timers_.createTimer([this] { onReconnectMinute(); });
  previewSettle_ = timers_.createTimer([this] {
    auto next = std::move(afterPreviewSettle_);
    afterPreviewSettle_ = nullptr;
    if (next) next();
  });
  sessionCheck_ = timers_.createTimer([this] { checkIdleSession(); });
}

RunController::~RunController() {
  // Nothing posted from the workers may reach a controller that is going.
  bridge_.detach();
  logView_.detach();
  if (uploader_) uploader_->StopWorker();  // commands still queued are dropped
  uploader_.reset();
  log_.setView(nullptr);
  capture_.reset();  // the capture writer ends after its current picture
}

// --- Start-up ---

void RunController::start() {
  if (started_) return;
  started_ = true;
  settings_.EnsureDefaults();
  settings_.Load();
  const AppSettings values = settings_.Get();
  applySettings(values);

  uploader_ = std::make_unique<FtpUploader>(FtpUploader::Parts{
      parts_.ftpClient, bridge_, log_,
      parts_.uploaderSleeper ? *parts_.uploaderSleeper : SystemSleeper::instance(),
      parts_.statusFolder, &store_});
  bridge_.setUploader(uploader_.get());
  uploader_->StartWorker();
  uploader_->LoadProfiles();
  fillProfileList({});
  log_.OpenLog();
  for (const std::string& note : parts_.startupNotes) ShowStatus(note);

  selectedLine_ = values.iLastSelSiteInfoIndex >= 0 &&
                          values.iLastSelSiteInfoIndex < static_cast<int>(profileLines_.size())
                      ? values.iLastSelSiteInfoIndex
                      : -1;
  view_.setProfileLines(profileLines_, selectedLine_);
  readSelection();

  CaptureWindowHost& captureHost = *this;
  capture_ = std::make_unique<CaptureWindow>(parts_.videoCapture, runner_, captureHost,
                                             pipelineHost(), prompter_, clock_, timers_,
                                             parts_.preview,
                                             pipelineOptions(values, parts_.bufferFolder));
  capture_->pipeline().setFileCounter(static_cast<std::uint32_t>(values.dwUniqueRunningNum));
  capture_->pipeline().setFramesPerSecond(working_.frameRate);
  view_.setProgressRange(0, working_.framesPerStrip);

  scheduleMonitor_->start(kScheduleMonitorMillis);
  dialupLink_.adoptConnectedEntry();
  buttonCaptions_->start(kButtonCaptionMillis);
  publishSnapshot();
  onButtonCaptions();
  onScheduleMonitor();
}

void RunController::applySettings(const AppSettings& values) {
  working_.mode = values.iCaptureMode;
  working_.frameRate = 1;  // whatever iCaptureFPS holds
  working_.framesPerStrip = values.iBufferSize;
  working_.quality = values.iCmprQuality;
  working_.stillUnit = values.iStillCaptType;
  working_.stillIndex = values.iStillCaptTypeIndex;
  working_.keepOldImages = values.bBackupPrevImage != 0;
  working_.autoReconnect = values.bAutoShutAndRecon != 0;
  working_.autoReconnectProfile = values.strSRFTPProfile;
  captionColourIndex_ =
      values.iIndexFrgSubtitleColor >= 0 && values.iIndexFrgSubtitleColor < kCaptionColourCount
          ? values.iIndexFrgSubtitleColor
          : 0;
  view_.setCaptionColourIndex(captionColourIndex_);
  captionPromptShown_ = true;
  view_.setCaptionEntry(text(Text::CaptionPrompt));
  view_.setProgressLabel(
      text(working_.mode == 1 ? Text::ProgressLabelStill : Text::ProgressLabelMotion));
}

void RunController::publishSnapshot() {
  RunSnapshot::Values v;
  v.capturing = capture_ && capture_->pipeline().capturing();
  v.scheduled = capture_ && capture_->pipeline().scheduled();
  v.captureMode = working_.mode;
  v.framesPerStrip = capture_ ? capture_->pipeline().framesPerStrip() : working_.framesPerStrip;
  v.framesPerSecond = capture_ ? capture_->pipeline().framesPerSecond() : working_.frameRate;
  v.bufferClipLimit = bufferClipLimit();
  v.caption = GetCaption();
  v.autoStart = working_.autoReconnect;
  v.autoStartProfile = working_.autoReconnectProfile;
  snapshot_.publish(v);
}

int RunController::bufferClipLimit() const {
  return selectedProfile_.keepBuffers != 0 ? -1 : selectedProfile_.bufferClipCount;
}

// --- State ---

bool RunController::capturing() const { return capture_ && capture_->pipeline().capturing(); }
bool RunController::scheduledRun() const { return capture_ && capture_->pipeline().scheduled(); }
bool RunController::connected() const { return uploader_ && uploader_->IsConnected(); }
std::optional<ScheduleInfo> RunController::runningSchedule() const {
  return scheduledRun() ? runningSchedule_ : std::nullopt;
}

// --- Status ---

void RunController::ShowStatus(const std::string& line) { log_.Log(line); }

PipelineHost RunController::pipelineHost() {
  PipelineHost host;
  host.onEvent = [this](const PipelineEvent& event) { onPipelineEvent(event); };
  host.uploaderIdle = [this] { return uploaderIdle(); };
  return host;
}

void RunController::onPipelineEvent(const PipelineEvent& event) {
  namespace pe = pipelineevent;
  struct Handle {
    RunController& c;
    void operator()(const pe::ProgressRange& e) { c.setProgressRange(e.low, e.high); }
    void operator()(const pe::ProgressPosition& e) { c.setProgressPosition(e.position); }
    void operator()(const pe::StatusText& e) { c.setStatusText(e.text); }
    void operator()(const pe::FiveMinuteNotice&) { c.fiveMinuteNotice(); }
    void operator()(const pe::OneMinuteNotice&) { c.oneMinuteNotice(); }
    void operator()(const pe::CaptureStopped&) { c.captureStopped(); }
    void operator()(const pe::StopReconnectCountdown& e) { c.StopReconnectCountdown(e.announce); }
    void operator()(const pe::PictureReady& e) { c.pictureReady(e.jpegPath, e.fileCounter); }
  };
  std::visit(Handle{*this}, event);
}

void RunController::setProgressRange(int low, int high) { view_.setProgressRange(low, high); }
void RunController::setProgressPosition(int position) { view_.setProgressPosition(position); }
void RunController::setStatusText(const std::string& text) {
  view_.setCaptureStatus(blankBefore(text));
}

// --- Profiles ---

void RunController::fillProfileList(const std::string& select) {
  profileLines_ = uploader_ ? uploader_->profileNames() : std::vector<std::string>{};
  std::sort(profileLines_.begin(), profileLines_.end());
  if (!select.empty()) {
    // The line whose text begins with the name.
    selectedLine_ = -1;
    for (std::size_t i = 0; i < profileLines_.size(); ++i) {
      if (profileLines_[i].rfind(select, 0) == 0) {
        selectedLine_ = static_cast<int>(i);
        break;
      }
    }
  } else if (selectedLine_ >= static_cast<int>(profileLines_.size())) {
    selectedLine_ = -1;
  }
  view_.setProfileLines(profileLines_, selectedLine_);
}

bool RunController::readSelection() {
  if (selectedLine_ < 0 || selectedLine_ >= static_cast<int>(profileLines_.size())) return false;
  ProfileInfo found;
  if (uploader_->FindProfile(profileLines_[static_cast<std::size_t>(selectedLine_)], found)) {
    selectedProfile_ = found;
    setDialParams(found);
  }
  publishSnapshot();
  return true;
}

void RunController::selectProfileLine(int line) {
  selectedLine_ = line >= 0 && line < static_cast<int>(profileLines_.size()) ? line : -1;
}

void RunController::selectProfileLineShown(int line) {
  selectProfileLine(line);
  view_.setProfileLines(profileLines_, selectedLine_);
}

void RunController::profileLineActivated() {
  if (uploader_->IsIdle()) connectDisconnect();
}

void RunController::addProfile() { editProfile(false); }
void RunController::modifyProfile() { editProfile(true); }

void RunController::editProfile(bool modify) {
  ProfileEditRequest request;
  std::string formerName;
  if (modify) {
    if (selectedLine_ < 0 || selectedLine_ >= static_cast<int>(profileLines_.size())) return;
    formerName = profileLines_[static_cast<std::size_t>(selectedLine_)];
    if (!uploader_->FindProfile(formerName, request.profile)) return;
    const bool autoStartUse = working_.autoReconnect && working_.mode == 1 &&
                              working_.autoReconnectProfile == formerName;
    if (store_.isProfileUsedBySchedule(formerName) || autoStartUse) {
      prompter_.ask(text(Text::ProfileInUse), text(Text::ProfileModifyTitle), PromptButtons::Ok,
                    PromptIcon::None);
      request.restricted = true;
    }
    request.prefilled = true;
  }
  request.title = text(modify ? Text::ProfileModifyTitle : Text::ProfileAddTitle);
  for (;;) {
    std::optional<ProfileInfo> entered = dialogs_.editProfile(request);
    if (!entered) return;
    const bool duplicate = uploader_->ProfileExists(entered->name) &&
                           !(modify && entered->name == formerName);
    if (duplicate) {
      prompter_.ask(formatText(Text::ProfileDuplicateName, entered->name.c_str()),
                    text(Text::ProfileModifyTitle), PromptButtons::Ok, PromptIcon::Warning);
      request.profile = *entered;
      request.prefilled = true;
      continue;
    }
    if (modify) {
      uploader_->ModifyProfile(formerName, *entered);
    } else {
      uploader_->AddProfile(*entered);
    }
    fillProfileList(entered->name);
    readSelection();
    return;
  }
}

void RunController::deleteProfile() {
  if (selectedLine_ < 0 || selectedLine_ >= static_cast<int>(profileLines_.size())) return;
  ProfileInfo profile;
  if (!uploader_->FindProfile(profileLines_[static_cast<std::size_t>(selectedLine_)], profile))
    return;
  if (prompter_.ask(text(Text::ProfileDeleteQuestion), text(Text::ProfileDeleteCaption),
                    PromptButtons::YesNo, PromptIcon::None) == PromptAnswer::Yes) {
    uploader_->DeleteProfile(profile);
  }
  // SelectedProfile stays as it was until the next selection is read.
  fillProfileList({});
}

// --- Scheduler, directory, counters ---

void RunController::openScheduler() {
  if (store_.profileCount() < 1) {
    prompter_.ask(text(Text::SchedulerNeedsProfile), text(Text::SchedulerNeedsProfileCaption),
                  PromptButtons::Ok, PromptIcon::Warning);
    return;
  }
  dialogs_.showScheduler(*this);
}

bool RunController::warnIfSessionSuspect() {
  if (!sessionSuspect_) return false;
  prompter_.ask(text(Text::SessionSuspectWarning), text(Text::FtpSessionCaption),
                PromptButtons::Ok, PromptIcon::Warning);
  return true;
}

void RunController::directoryItemActivated(const std::string& name, bool isFolder) {
  if (warnIfSessionSuspect()) return;
  uploader_->QueueChangeDirectory(name, isFolder ? 0 : 1);
}

void RunController::goUp() {
  if (warnIfSessionSuspect()) return;
  uploader_->QueueGoUp();
}

void RunController::deleteAllBuffers() { uploader_->QueueDeleteAllBuffers(); }

void RunController::resetCounter() {
  capture_->pipeline().setFileCounter(0);
  // The operator starts the numbers again on purpose.
  runningNumbers_.store(0);
}

void RunController::statusMonitorCleared() { logView_.cleared(); }

// --- Caption ---

Caption RunController::GetCaption() const {
  return Caption{captionText_, captionColourAt(captionColourIndex_, view_.systemTextColour())};
}

void RunController::captionColourChanged(int index) {
  if (index < 0 || index >= kCaptionColourCount) return;
  captionColourIndex_ = index;
  publishSnapshot();
}

void RunController::captionEntered(const std::string& entered) {
  captionText_ = captionFits(entered) ? entered : textcodec::truncateToCp932(entered, kCaptionMaxBytes);
  captionPromptShown_ = false;
  view_.addSubtitleLine(captionText_,
                        captionColourAt(captionColourIndex_, view_.systemTextColour()));
  view_.setCaptionEntry(" ");
  publishSnapshot();
}

void RunController::clearCaption() {
  captionText_ = " ";
  view_.addSubtitleLine(text(Text::CaptionCleared),
                        captionColourAt(captionColourIndex_, view_.systemTextColour()));
  publishSnapshot();
}

bool RunController::captionEntryPressed() {
  if (!captionPromptShown_) return false;
  captionPromptShown_ = false;
  view_.setCaptionEntry("");
  return true;
}

// --- Capture window ---

CaptureMenu RunController::captureMenu() { return capture_->menu(); }

void RunController::captureMenuCommand(int command) {
  capture_->onMenuCommand(command);
  publishSnapshot();
}

void RunController::openCaptureSettings() {
  CaptureSettings values = working_;
  const DialupLink::DialParams& p = dialupLink_.dialParams();
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
  publishSnapshot();
}

void RunController::openColourSettings(VideoProcAmp& procAmp) {
  dialogs_.showColourSettings(procAmp);
}

void RunController::openAbout() { dialogs_.showAbout(); }

CaptureSessionSettings RunController::sessionSettings(bool scheduled) const {
  CaptureSessionSettings session;
  session.mode = working_.mode;
  session.stillPeriodSeconds = scheduled && runningSchedule_
                                   ? runningSchedule_->updatePeriod
                                   : stillIntervalSeconds(working_.stillUnit, working_.stillIndex);
  session.autoShutAndReconnect = working_.autoReconnect;
  return session;
}

int RunController::stillPeriodSeconds() const {
  if (scheduledRun() && runningSchedule_) return runningSchedule_->updatePeriod;
  return stillIntervalSeconds(working_.stillUnit, working_.stillIndex);
}

bool RunController::uploaderIdle() const { return uploader_ && uploader_->IsIdle(); }

void RunController::captureStopped() {
  uploader_->QueueEndSession();
  publishSnapshot();
}

void RunController::pictureReady(const std::string& jpegPath, std::uint32_t fileCounter) {
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
  uploader_->QueueUploadFrame(frame);
}

void RunController::ClearStopping() { capture_->pipeline().ClearStopping(); }

// --- Dial-up ---

void RunController::QueueConnect() { uploader_->QueueConnect(); }

void RunController::setDialParams(const ProfileInfo& profile) {
  dialupLink_.setDialParams({profile.dialupEntry, profile.dialupUser, profile.dialupPassword});
}

void RunController::dial(const ProfileInfo& profile, bool dialOnly) {
  setDialParams(profile);
  dialupLink_.setDialOnly(dialOnly);
  dialupLink_.Dial();
}

bool RunController::profileUsesDialup(const std::string& profileName) {
  ProfileInfo profile;
  return store_.findProfile(profileName, profile) && profile.useDialup != 0;
}

void RunController::hangUpAfterUploader() { dialupLink_.HangUp(); }

// --- Connect and disconnect ---

void RunController::connectDisconnect() {
  if (dialupLink_.WeDialled()) {
    dialupLink_.setStopRedial(true);
    dialupLink_.HangUp();
  } else if (connected()) {
    if (scheduledRun() || capturing()) {
      prompter_.ask(text(Text::CaptureRunningCannotDisconnect), text(Text::SiteDisconnectCaption),
                    PromptButtons::Ok, PromptIcon::Warning);
      return;
    }
    dialupLink_.setStopRedial(true);
    if (activeProfile_.useDialup != 0) dialupLink_.setHangUpAfterDisconnect(true);
    uploader_->QueueDisconnect();
    sessionSuspect_ = false;
  } else {
    if (scheduledRun() || capturing()) return;
    if (readSelection()) {
      activeProfile_ = selectedProfile_;
      uploader_->SetProfile(activeProfile_);
      if (activeProfile_.useDialup != 0) {
        dialupLink_.resetDialAttempt();
        if (dialupLink_.ExistingConnectionInUse()) {
          std::string name;
          if (dialupLink_.FindConnectedEntry(&name))
            ShowStatus(formatText(Text::DialupUsingExisting, name.c_str()));
          uploader_->QueueConnect();
        } else if (!dialupLink_.WeDialled()) {
          setDialParams(activeProfile_);
          dialupLink_.setDialOnly(false);
          if (!dialupLink_.Dial()) uploader_->QueueConnect();
        }
      } else {
        uploader_->QueueConnect();
      }
    }
    StopReconnectCountdown(true);
  }
  onButtonCaptions();
}

// --- Start and stop ---

void RunController::startStopSending() { startStopSendingThen(nullptr); }

void RunController::startStopSendingThen(std::function<void()> done) {
  auto finish = [this, done = std::move(done)] {
    publishSnapshot();
    onButtonCaptions();
    if (done) done();
  };
  if (capturing() && !scheduledRun()) {
    stopCapture();
    setBufferButtons(true);
    finish();
  } else if (capturing() && scheduledRun()) {
    if (prompter_.ask(text(Text::ScheduledRunQuestion), text(Text::SiteDisconnectCaption),
                      PromptButtons::YesNo, PromptIcon::Warning) == PromptAnswer::Yes) {
      StopScheduledCapture();
    }
    finish();
  } else {
    if (warnIfSessionSuspect()) return finish();
    if (!connected()) {
      ShowStatus(text(Text::NotConnected));
      return finish();
    }
    startCapture(std::move(finish));
  }
}

void RunController::startCapture(std::function<void()> done) {
  FramePipeline& p = capture_->pipeline();
  p.setFramesPerSecond(working_.frameRate);
  p.AllocateSlots(working_.framesPerStrip);
  auto go = [this, done = std::move(done)] {
    if (capture_->pipeline().StartCapture(false, sessionSettings(false))) setBufferButtons(false);
    if (done) done();
  };
  if (!p.graphRunning()) {
    capture_->togglePreview();
    afterPreviewSettle_ = std::move(go);
    previewSettle_->startOnce(kPreviewSettleMillis);
  } else {
    go();
  }
}

void RunController::stopCapture() {
  capture_->pipeline().StopCapture();
  publishSnapshot();
}

void RunController::setBufferButtons(bool enabled) { view_.setBufferButtonsEnabled(enabled); }

// --- Scheduled runs ---

bool RunController::prepareScheduledRun(const ScheduleInfo& schedule) {
  ShowStatus(text(Text::EnablingDevice));
  working_.mode = schedule.captureMode;
  if (schedule.videoSource != -1) {
    // Also kept for the preview about to be switched on, which routes it.
    capture_->pipeline().setVideoSource(schedule.videoSource);
    capture_->graph().RouteVideoInput(schedule.videoSource);
  }
  capture_->selectImageSize(schedule.videoSize);
  FramePipeline& p = capture_->pipeline();
  if (!p.graphRunning()) {
    if (p.EnableDevice() != 0) {
      ShowStatus(text(Text::DeviceCannotBeEnabled));
      return false;
    }
    ShowStatus(text(Text::ImageCaptureStarted));
  }
  p.setLocked(true);
  publishSnapshot();

  ProfileInfo profile;
  if (!store_.findProfile(schedule.ftpProfileName, profile)) return false;
  if (connected() && activeProfile_.address == profile.address) {
    // The same server: keep the session when it still answers. The check
    // runs on the worker; what follows it runs here when it has answered.
    uploader_->QueueCheckSession(false, onThisThread([this, profile](bool alive) {
      if (alive) return;
      ShowStatus(text(Text::SessionLostReconnecting));
      uploader_->QueueDisconnect();
      activeProfile_ = profile;
      uploader_->SetProfile(activeProfile_);
      uploader_->QueueConnect();
    }));
    return true;
  }
  if (connected()) uploader_->QueueDisconnect();
  activeProfile_ = profile;
  uploader_->SetProfile(activeProfile_);
  uploader_->QueueConnect();
  return true;
}

void RunController::startScheduledCapture(const ScheduleInfo& schedule) {
  FramePipeline& p = capture_->pipeline();
  if (connected() && p.graphRunning()) {
    working_.autoReconnectProfile = schedule.ftpProfileName;
    p.setFramesPerSecond(working_.frameRate);
    p.AllocateSlots(working_.framesPerStrip);
    ShowStatus(text(Text::ScheduledCaptureStarted));
    runningSchedule_ = schedule;
    if (p.StartCapture(true, sessionSettings(true))) setBufferButtons(false);
    publishSnapshot();
  } else {
    ShowStatus(text(Text::ScheduleRunError));
  }
}

void RunController::StopScheduledCapture() {
  ShowStatus(text(Text::ScheduledCaptureDone));
  stopCapture();
  setBufferButtons(true);
  capture_->pipeline().disableDevice();
  drain_->start(kDrainMillis);
  publishSnapshot();
}

void RunController::onDrain() {
  if (!uploader_->IsIdle()) return;
  drain_->stop();
  if (activeProfile_.useDialup != 0) dialupLink_.setHangUpAfterDisconnect(true);
  uploader_->QueueDisconnect();
  sessionSuspect_ = false;
}

// --- Timer 200: the schedule monitor and the idle-session check ---

void RunController::onScheduleMonitor() {
  const Seconds now = clock_.now();
  if (connected()) {
    ++idleSeconds_;
  } else {
    idleSeconds_ = 0;
  }
  std::string lineA, lineB, lineC;
  if (scheduledRun() && runningSchedule_) {
    scheduleSecondsLeft_ = timeUntilEnd(*runningSchedule_, now);
    lineA = runningSchedule_->name;
    lineB = formatCountdown(scheduleSecondsLeft_);
    lineC = text(Text::ScheduleStatusRunning);
    if (scheduleSecondsLeft_ < 1) StopScheduledCapture();
  } else {
    std::int64_t s = 0;
    ScheduleInfo next;
    if (exitStarted_) {
      // Leaving: the lines still show what is next, but nothing is dialled,
      // connected or started any more.
      if (store_.findNextDue(s, next)) {
        lineA = next.name;
        lineB = formatCountdown(s);
        lineC = text(Text::ScheduleStatusOnTime);
      } else {
        lineA = text(Text::NoScheduleName);
        lineB = emptyCountdown();
        lineC = " ";
      }
    } else if (!store_.findNextDue(s, next)) {
      lineA = text(Text::NoScheduleName);
      lineB = emptyCountdown();
      lineC = " ";
    } else {
      lineA = next.name;
      lineB = formatCountdown(s);
      lineC = text(Text::ScheduleStatusOnTime);
      if (s == 1 || s == 60 || s == 61) skipSessionCheck_ = true;
      if (s > 300) {
        fiveMinuteNoticeDone_ = false;
      } else if (s > 60) {
        oneMinuteNoticeDone_ = false;
      }
      if (s <= 300 && !fiveMinuteNoticeDone_) {
        fiveMinuteNoticeDone_ = true;
        if (capturing()) {
          ShowStatus(text(Text::CapturingRecognised));
          ShowStatus(text(Text::ScheduleCannotRegister));
        } else {
          ProfileInfo profile;
          if (store_.findProfile(next.ftpProfileName, profile) && profile.useDialup != 0) {
            ShowStatus(text(Text::FiveMinutesBefore));
            dial(profile, true);
          }
        }
      } else if (s <= 60 && !oneMinuteNoticeDone_) {
        oneMinuteNoticeDone_ = true;
        if (capturing()) {
          ShowStatus(text(Text::CapturingRecognised));
          ShowStatus(text(Text::ScheduleCannotRegister));
        } else {
          ShowStatus(text(Text::OneMinuteBefore));
          if (!prepareScheduledRun(next)) ShowStatus(text(Text::ScheduleCannotRegister));
        }
      } else if (s <= 0) {
        startScheduledCapture(next);
      }
    }
  }
  view_.setScheduleLines(blankBefore(lineA), blankBefore(lineB), blankBefore(lineC));

  if (!exitStarted_ && idleSeconds_ > kIdleSessionSeconds && !skipSessionCheck_ && connected() &&
      !capturing() && uploader_->IsIdle() && !sessionCheck_->active()) {
    idleSeconds_ = 0;
    ShowStatus(text(Text::SessionCheck));
    sessionCheck_->startOnce(kSessionCheckDelayMillis);
  }
  skipSessionCheck_ = false;
  publishSnapshot();
}

void RunController::checkIdleSession() {
  // The session may have changed during the pause.
  if (!connected() || capturing() || !uploader_->IsIdle()) return;
  uploader_->QueueCheckSession(true, onThisThread([this](bool alive) {
    if (!alive) sessionSuspect_ = true;
  }));
}

std::function<void(bool)> RunController::onThisThread(std::function<void(bool)> then) {
  return [this, then = std::move(then), alive = std::weak_ptr<bool>(alive_)](bool result) {
    runner_.post([then, alive, result] {
      if (!alive.expired()) then(result);
    });
  };
}

// --- Timer 1000: the two main buttons ---

void RunController::onButtonCaptions() {
  const std::string start =
      text(scheduledRun() || capturing() ? Text::StopSending : Text::StartSending);
  const std::string link = text(connected() || dialupLink_.WeDialled() ||
                                        dialupLink_.ExistingConnectionInUse()
                                    ? Text::Disconnect
                                    : Text::Connect);
  if (start != startCaption_) view_.setStartCaption(startCaption_ = start);
  if (link != connectCaption_) view_.setConnectCaption(connectCaption_ = link);
}

// --- After each upload ---

void RunController::OnUploadDone() {
  capture_->pipeline().ClearUploadFlags();
  // The stopped page, when capture has stopped, went out on the worker.
  const bool scheduled = scheduledRun();
  if (working_.mode == 1) {
    if (working_.autoReconnect || scheduled) uploader_->QueueDisconnectAndHangUp();
    if (scheduled && runningSchedule_ &&
        timeUntilEnd(*runningSchedule_, clock_.now()) < stillPeriodSeconds()) {
      ShowStatus(text(Text::ScheduleEndedBeforeNextShot));
      StopScheduledCapture();
    }
  }
}

void RunController::OnSessionOpened(bool ok) {
  if (ok) sessionSuspect_ = false;
  onButtonCaptions();
}

void RunController::OnDisconnected() {
  if (dialupLink_.HangUpAfterDisconnect()) {
    dialupLink_.setHangUpAfterDisconnect(false);
    dialupLink_.HangUp();
  }
  onButtonCaptions();
}

void RunController::StopAndDisconnect() {
  stopCapture();
  if (activeProfile_.useDialup != 0) dialupLink_.setHangUpAfterDisconnect(true);
  uploader_->QueueDisconnect();
  sessionSuspect_ = false;
  onButtonCaptions();
}

// --- Automatic start in still mode ---

void RunController::fiveMinuteNotice() { stillPreDial(); }
void RunController::oneMinuteNotice() { stillPreConnect(); }

int RunController::stillPreDial() {
  ProfileInfo profile;
  if (!uploader_->FindProfile(working_.autoReconnectProfile, profile)) return 0;
  activeProfile_ = profile;
  if (profile.useDialup == 0) return 0;
  setDialParams(profile);
  dialupLink_.setDialOnly(true);
  ShowStatus(text(Text::FiveMinutesBefore));
  dialupLink_.Dial();
  return 1;
}

int RunController::stillPreConnect() {
  ProfileInfo profile;
  if (!uploader_->FindProfile(working_.autoReconnectProfile, profile)) return 0;
  activeProfile_ = profile;
  uploader_->SetProfile(activeProfile_);
  ShowStatus(text(Text::OneMinuteBefore));
  uploader_->QueueConnect();
  return 1;
}

// --- Reconnect countdown (timer 400) ---

void RunController::StartReconnectCountdown() {
  StopReconnectCountdown(false);
  reconnectMinute_->start(kReconnectMinuteMillis);
  reconnectCountdown_ = kReconnectMinutes;
  reconnectActive_ = true;
  ShowStatus(formatText(Text::ReconnectCountdown, kReconnectMinutes));
}

void RunController::StopReconnectCountdown(bool announce) {
  reconnectMinute_->stop();
  if (announce && reconnectActive_) ShowStatus(text(Text::ReconnectStopped));
  reconnectActive_ = false;
}

void RunController::onReconnectMinute() {
  if (capturing() || scheduledRun() || connected()) {
    StopReconnectCountdown(false);
    return;
  }
  --reconnectCountdown_;
  if (reconnectCountdown_ < 0) return;
  if (reconnectCountdown_ == 0) {
    uploader_->QueueReconnect();
  } else {
    ShowStatus(formatText(Text::ReconnectCountdown, reconnectCountdown_));
  }
}

// --- Exit ---

void RunController::exitCommand() {
  exitArmed_ = true;
  if (capturing()) {
    prompter_.ask(text(Text::ExitWhileCapturing), text(Text::ExitCaption), PromptButtons::Ok,
                  PromptIcon::Warning);
    return;
  }
  if (exitStarted_) return;
  exitStarted_ = true;
  if (dialupLink_.WeDialled()) {
    dialupLink_.setStopRedial(true);
    dialupLink_.HangUp();
  }
  StopReconnectCountdown(false);
  exitPoll_->start(kExitPollMillis);
  view_.showExitWait(true);
}

void RunController::onExitPoll() {
  if (!capture_->pipeline().workerIdle() || !uploader_->IsIdle()) return;
  if (dialupLink_.hangingUp()) return;
  log_.CloseLog();
  capture_->pipeline().disableDevice();
  if (connected()) {
    uploader_->QueueStoppedStatus();
    uploader_->QueueDisconnect();
    return;  // the rest on a later tick
  }
  exitPoll_->stop();
  auto close = [this] {
    view_.showExitWait(false);
    shutDown();
  };
  if (dialupLink_.WeDialled() && dialupLink_.handle() != kNoDialupHandle) {
    dialupLink_.HangUp(close);
  } else if (dialupLink_.ExistingConnectionInUse() && dialupLink_.handle() != kNoDialupHandle) {
    if (prompter_.ask(text(Text::DialupHangUpQuestion), text(Text::DialupCaption),
                      PromptButtons::YesNo, PromptIcon::Question) == PromptAnswer::Yes) {
      dialupLink_.HangUp(close);
    } else {
      close();
    }
  } else {
    close();
  }
}

bool RunController::closeRequested() {
  if (finished_) return true;
  if (!exitArmed_) return false;
  // A close request while the exit is armed runs the orderly exit first;
  // settings and data are saved before the window may close.
  if (!capturing() && !exitStarted_) exitCommand();
  return false;
}

AppSettings RunController::settingsAtClose() const {
  AppSettings v;
  v.iLastSelSiteInfoIndex = selectedLine_;
  v.iCaptureMode = working_.mode;
  v.iCaptureFPS = working_.frameRate;
  v.iCmprQuality = working_.quality;
  v.iBufferSize = working_.framesPerStrip;
  v.iStillCaptType = working_.stillUnit;
  v.iStillCaptTypeIndex = working_.stillIndex;
  v.bBackupPrevImage = working_.keepOldImages ? 1 : 0;
  v.bAutoShutAndRecon = working_.autoReconnect ? 1 : 0;
  v.strSRFTPProfile = working_.autoReconnectProfile;
  const FramePipeline& p = capture_->pipeline();
  v.iImageWidth = p.imageWidth();
  v.iImageHeight = p.imageHeight();
  v.iVideoSource = p.videoSource();
  v.dwUniqueRunningNum = static_cast<std::int32_t>(p.fileCounter());
  v.strLastCaptureDevice = capture_->lastDeviceName();
  v.iIndexFrgSubtitleColor = captionColourIndex_;
  return v;
}

void RunController::shutDown() {
  if (finished_) return;
  scheduleMonitor_->stop();
  settings_.Set(settingsAtClose());
  settings_.Save();
  // The uploader's worker ends; the data store is written.
  bridge_.detach();
  uploader_->StopWorker();
  uploader_->SaveProfiles();
  store_.save();
  finished_ = true;
  view_.closeWindow();
}

// --- SchedulerContext ---

std::optional<std::string> RunController::runningScheduleName() {
  if (!scheduledRun() || !runningSchedule_) return std::nullopt;
  return runningSchedule_->name;
}

std::vector<int> RunController::videoInputTypes() { return capture_->videoInputTypes(); }

}  // namespace karone
