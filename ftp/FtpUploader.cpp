#include "ftp/FtpUploader.h"

#include <unistd.h>

#include <cstdlib>

#include "ftp/StatusPage.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "resources/Texts.h"

namespace karone {
namespace {

void removeLocalFile(const std::string& path) {
  if (!path.empty()) ::unlink(path.c_str());
}

std::vector<ListedName> namesOf(const std::vector<FtpFileEntry>& entries) {
  std::vector<ListedName> names;
  names.reserve(entries.size());
  for (const auto& entry : entries) names.push_back({entry.name, entry.attributes});
  return names;
}

}  // namespace

FtpUploader::FtpUploader(Parts parts)
    : client_(parts.client),
      host_(parts.host),
      log_(parts.log),
      sleeper_(parts.sleeper),
      statusDirectory_(std::move(parts.statusDirectory)),
      store_(parts.store) {
  statusDirectory_ = paths::withTrailingSlash(std::move(statusDirectory_));
  wakeUp_.Create(0);
  queueLock_.Create(0);
  client_.openSession(kAgent);  // a failed session makes every connect fail
}

FtpUploader::~FtpUploader() {
  StopWorker();
  wakeUp_.Close();
  std::deque<std::unique_ptr<Command>> dropped;
  if (queueLock_.Lock(Mutex::kNoTimeLimit)) {
    dropped.swap(queue_);
    queueLock_.unlock();
  }
  dropped.clear();
  queueLock_.Close();
  client_.disconnect();
  client_.closeSession();
  SaveProfiles();
}

// --- Worker ---

bool FtpUploader::StartWorker() {
  if (worker_) return true;
  auto thread = createWorkerThread();
  if (!thread || !thread->Start(&FtpUploader::workerRoutine, this)) return false;
  worker_ = std::move(thread);
  return true;
}

void FtpUploader::StopWorker() {
  if (!worker_) return;
  queueCode(static_cast<std::int32_t>(UploadCode::Quit));
  worker_->Wait();
  worker_.reset();
}

void FtpUploader::workerRoutine(void* self) { static_cast<FtpUploader*>(self)->workerLoop(); }

void FtpUploader::workerLoop() {
  for (;;) {
    if (wakeUp_.Wait() != CountingSemaphore::kWaitSignalled) return;
    // Drain everything queued: a wake-up refused because the semaphore was
    // full must not leave a command behind.
    while (auto command = takeCommand()) {
      bool goOn = execute(*command);
      command.reset();
      finishedOne();
      if (!goOn) return;
    }
  }
}

std::unique_ptr<FtpUploader::Command> FtpUploader::takeCommand() {
  std::unique_ptr<Command> command;
  if (!queueLock_.Lock(Mutex::kNoTimeLimit)) return command;
  if (!queue_.empty()) {
    command = std::move(queue_.front());
    queue_.pop_front();
  }
  queueLock_.unlock();
  return command;
}

void FtpUploader::enqueue(std::unique_ptr<Command> command) {
  {
    std::lock_guard lock(doneMutex_);
    ++outstanding_;
  }
  if (!queueLock_.Lock(Mutex::kNoTimeLimit)) {
    finishedOne();
    return;
  }
  queue_.push_back(std::move(command));
  queueLock_.unlock();
  wakeUp_.Release();
}

void FtpUploader::finishedOne() {
  std::lock_guard lock(doneMutex_);
  --outstanding_;
  doneChanged_.notify_all();
}

void FtpUploader::waitUntilDone() {
  std::unique_lock lock(doneMutex_);
  doneChanged_.wait(lock, [this] { return outstanding_ <= 0; });
}

bool FtpUploader::execute(const Command& command) {
  host_.resetIdleSeconds();
  idle_ = false;
  switch (static_cast<UploadCode>(command.code)) {
    case UploadCode::Connect: connect(false); break;
    case UploadCode::Disconnect: disconnect(); break;
    case UploadCode::UploadFrame: uploadFrame(command.frame); break;
    case UploadCode::EndSession: endSession(); break;
    case UploadCode::ChangeDirectory: changeDirectory(command.directory); break;
    case UploadCode::DeleteAllBuffers: deleteAllBuffers(); break;
    case UploadCode::DeleteOldestFrame: deleteOldestFrame(); break;
    case UploadCode::Reconnect: connect(true); break;
    case UploadCode::DisconnectAndHangUp:
      disconnect();
      host_.hangUp();
      break;
    case UploadCode::CheckSession: {
      const bool alive = CheckSession(command.withLog);
      if (command.checked) command.checked(alive);
      break;
    }
    case UploadCode::StoppedStatus: UploadStoppedStatus(); break;
    case UploadCode::Quit: return false;
  }
  idle_ = true;
  return true;
}

// --- Requests ---

void FtpUploader::queueCode(std::int32_t code) {
  auto command = std::make_unique<Command>();
  command->code = code;
  enqueue(std::move(command));
}

void FtpUploader::QueueConnect() { queueCode(static_cast<std::int32_t>(UploadCode::Connect)); }
void FtpUploader::QueueReconnect() { queueCode(static_cast<std::int32_t>(UploadCode::Reconnect)); }
void FtpUploader::QueueDisconnect() {
  queueCode(static_cast<std::int32_t>(UploadCode::Disconnect));
}
void FtpUploader::QueueDisconnectAndHangUp() {
  queueCode(static_cast<std::int32_t>(UploadCode::DisconnectAndHangUp));
}
void FtpUploader::QueueEndSession() {
  queueCode(static_cast<std::int32_t>(UploadCode::EndSession));
}
void FtpUploader::QueueDeleteAllBuffers() {
  queueCode(static_cast<std::int32_t>(UploadCode::DeleteAllBuffers));
}

void FtpUploader::QueueUploadFrame(const FrameRequest& frame) {
  auto command = std::make_unique<Command>();
  command->code = static_cast<std::int32_t>(UploadCode::UploadFrame);
  command->frame = frame;
  enqueue(std::move(command));
}

void FtpUploader::QueueChangeDirectory(const std::string& itemText, int imageIndex) {
  if (imageIndex != 0) return;  // a file, not a folder
  auto command = std::make_unique<Command>();
  command->code = static_cast<std::int32_t>(UploadCode::ChangeDirectory);
  command->directory = itemText;
  enqueue(std::move(command));
}

void FtpUploader::QueueGoUp() { QueueChangeDirectory("..", 0); }

void FtpUploader::QueueCheckSession(bool withLog, std::function<void(bool)> done) {
  auto command = std::make_unique<Command>();
  command->code = static_cast<std::int32_t>(UploadCode::CheckSession);
  command->withLog = withLog;
  command->checked = std::move(done);
  enqueue(std::move(command));
}

void FtpUploader::QueueStoppedStatus() {
  queueCode(static_cast<std::int32_t>(UploadCode::StoppedStatus));
}

// --- Direct operations ---

void FtpUploader::SetProfile(const ProfileInfo& profile) {
  std::lock_guard lock(profileMutex_);
  profile_ = profile;
}

ProfileInfo FtpUploader::profile() const {
  std::lock_guard lock(profileMutex_);
  return profile_;
}

bool FtpUploader::IsConnected() const { return client_.isConnected(); }
bool FtpUploader::IsIdle() const {
  // A command queued but not yet taken counts as work: the worker may take
  // it at any moment.
  std::lock_guard lock(doneMutex_);
  return idle_ && outstanding_ <= 0;
}

void FtpUploader::Log(const std::string& message) { log_.Log(message); }
bool FtpUploader::OpenLog() { return log_.OpenLog(); }
void FtpUploader::CloseLog() { log_.CloseLog(); }

std::vector<FtpUploader::Column> FtpUploader::directoryViewColumns() {
  const Text headings[] = {Text::FtpColumnName, Text::FtpColumnSize, Text::FtpColumnDate};
  const int fallback[] = {118, 60, 68};
  std::vector<Column> columns;
  std::string widths = text(Text::FtpColumnWidths);
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    int width = fallback[i];
    if (pos <= widths.size()) {
      auto comma = widths.find(',', pos);
      auto token = widths.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
      pos = comma == std::string::npos ? widths.size() + 1 : comma + 1;
      char* end = nullptr;
      long v = std::strtol(token.c_str(), &end, 10);
      if (!token.empty() && *end == '\0' && v > 0 && v < 10000) width = static_cast<int>(v);
    }
    columns.push_back({text(headings[i]), width});
  }
  return columns;
}

// --- Profiles ---

bool FtpUploader::LoadProfiles() {
  if (!store_) return false;
  store_->ensureFileExists();
  return store_->load().ok();
}

bool FtpUploader::SaveProfiles() {
  // Only a store that was read (or written) goes back to its file: saving one
  // that never loaded would replace the operator's profiles with nothing.
  return store_ && store_->isBound() && store_->save().ok;
}

std::vector<std::string> FtpUploader::profileNames() const {
  std::vector<std::string> names;
  if (!store_) return names;
  for (int i = 0; i < store_->profileCount(); ++i) {
    ProfileInfo p;
    if (store_->getProfile(i, p)) names.push_back(p.name);
  }
  return names;
}

bool FtpUploader::FindProfile(const std::string& name, ProfileInfo& out) const {
  return store_ && store_->findProfile(name, out);
}

bool FtpUploader::ProfileExists(const std::string& name) const {
  return store_ && store_->profileExists(name);
}

void FtpUploader::AddProfile(const ProfileInfo& profile) {
  if (store_) store_->addProfile(profile);
}

bool FtpUploader::ModifyProfile(const std::string& formerName, const ProfileInfo& profile) {
  return store_ && store_->modifyProfile(formerName, profile);
}

bool FtpUploader::DeleteProfile(const ProfileInfo& profile) {
  if (!store_) return false;
  Text refusal = Text::Count_;
  if (store_->isProfileUsedBySchedule(profile.name)) {
    refusal = Text::FtpProfileUsedBySchedule;
  } else if (host_.isAutoStartProfile(profile.name)) {
    refusal = Text::FtpProfileIsAutoStart;
  }
  if (refusal != Text::Count_) {
    host_.ask(text(refusal), text(Text::FtpProfileDeleteCaption), PromptButtons::Ok,
              PromptIcon::None);
    return false;
  }
  return store_->deleteProfile(profile.name);
}

bool FtpUploader::CheckSession(bool withLog) {
  std::vector<FtpFileEntry> entries;
  // Any answer proves the session, an empty folder included.
  bool alive = client_.isConnected() && client_.listDirectory(entries).ok();
  if (withLog) Log(text(alive ? Text::FtpSessionAlive : Text::FtpSessionLost));
  return alive;
}

std::string FtpUploader::statusFilePath() const {
  return statusDirectory_ + std::string(kStatusPageName);
}

void FtpUploader::UploadStoppedStatus() {
  const auto path = statusFilePath();
  if (!writeFileAtomically(path, stoppedStatusPage()).ok) {
    Log(formatText(Text::FtpStatusPageNotPublished, static_cast<int>(FtpError::LocalFile) + 12000));
    return;
  }
  FtpResult put = client_.putFile(path, std::string(kStatusPageName), FtpTransferMode::Ascii);
  if (!put.ok() && client_.isConnected()) {
    Log(formatText(Text::FtpStatusPageNotPublished, put.code()));
  }
}

bool FtpUploader::publishRunningPage(const std::string& frameName) {
  StatusPageValues values;
  values.framesPerStrip = host_.framesPerStrip();
  values.currentFrame = frameName;
  values.framesPerSecond = host_.framesPerSecond();
  auto caption = host_.caption();
  values.caption = caption.text;
  values.colour = caption.colour;
  const auto path = statusFilePath();
  const std::string page(kStatusPageName);
  const std::string temp(kStatusPageTempName);
  // The page is replaced only by a complete new one: when the new page could
  // not be stored, the one published stays (a half-stored temporary is
  // removed, never renamed into place).
  FtpResult result;
  if (!writeFileAtomically(path, runningStatusPage(values)).ok) {
    result = FtpResult::failure(FtpError::LocalFile, "cannot write " + path);
  } else {
    result = client_.putFile(path, temp, FtpTransferMode::Ascii);
    if (!result.ok()) {
      if (result.error == FtpError::Refused) client_.deleteFile(temp);
    } else {
      client_.deleteFile(page);  // none yet is no error
      result = client_.renameFile(temp, page);
    }
  }
  removeLocalFile(path);
  if (!result.ok()) {
    ++pageFailures_;
    Log(formatText(Text::FtpStatusPageNotPublished, result.code()));
    return false;
  }
  return true;
}

std::optional<std::uint32_t> FtpUploader::publishedStripOnServer() {
  constexpr std::size_t kMaxPage = 4096;  // ours are a few hundred bytes
  std::string page;
  if (!client_.getFile(std::string(kStatusPageName), page, kMaxPage).ok()) return std::nullopt;
  auto current = pageCurrentFrame(page);
  if (!current) return std::nullopt;
  auto number = motionRunningNumber(*current);
  if (!number || motionFrameName(*number) != *current) return std::nullopt;
  return number;
}

void FtpUploader::sweepStaleStrips() {
  sweepPending_ = false;
  auto newest = motionRunningNumber(lastUploadedFrame_);
  if (!newest) return;
  std::vector<FtpFileEntry> entries;
  if (!client_.listDirectory(entries).ok()) return;
  for (const auto& name :
       staleStrips(namesOf(entries), *newest, host_.bufferClipLimit(), publishedBefore_)) {
    if (client_.deleteFile(name).ok()) {
      Log(formatText(Text::FtpFileDeleted, name.c_str()));
    } else {
      Log(formatText(Text::FtpCannotDelete, name.c_str()));
    }
  }
}

// --- Connect and disconnect ---

bool FtpUploader::openSession(const ProfileInfo& profile) {
  Log(formatText(Text::FtpConnecting, profile.address.c_str()));
  FtpConnectParams params;
  params.address = profile.address;
  params.port = static_cast<std::uint16_t>(profile.port & 0xffff);
  params.user = profile.userId;
  params.password = profile.password;
  params.passive = profile.passiveMode != 0;
  if (!client_.connect(params).ok()) {
    Log(text(Text::FtpConnectError));
    host_.OnSessionOpened(false);
    return false;
  }
  Log(text(Text::FtpConnected));
  sweepPending_ = true;
  host_.OnSessionOpened(true);
  return true;
}

void FtpUploader::enterUploadDirectory(const ProfileInfo& profile) {
  bool entered = !profile.uploadDirectory.empty() &&
                 client_.setCurrentDirectory(profile.uploadDirectory).ok();
  if (entered) return;
  std::string here;
  if (client_.currentDirectory(here).ok()) client_.setCurrentDirectory(here);
  if (!profile.uploadDirectory.empty()) {
    host_.ask(text(Text::FtpDirectoryInaccessible), text(Text::FtpSessionCaption),
              PromptButtons::Ok, PromptIcon::Warning);
  }
}

bool FtpUploader::connect(bool reconnect) {
  const ProfileInfo active = profile();
  bool ok = true;
  if (client_.isConnected()) {
    auto answer = host_.ask(text(Text::FtpAskDisconnect), text(Text::FtpSessionCaption),
                            PromptButtons::YesNo, PromptIcon::Question);
    if (answer != PromptAnswer::Yes) {
      ok = false;
    } else {
      disconnect();
    }
  }
  if (ok) ok = openSession(active);
  if (!ok) {
    if (reconnect) {
      Log(text(Text::FtpTimedReconnectError));
      host_.StartReconnectCountdown();
    }
    return false;
  }
  enterUploadDirectory(active);
  listDirectory(true);
  Log(text(Text::FtpReady));
  previousLocalPath_.clear();
  currentLocalPath_.clear();
  if (reconnect) {
    if (host_.captureMode() == 0) clearMotionBuffers();
    host_.startStopSending();
    if (host_.isCapturing()) {
      Log(text(Text::FtpReconnectedCapturing));
      host_.StopReconnectCountdown();
    } else {
      Log(text(Text::FtpTimedReconnectError));
      host_.StartReconnectCountdown();
    }
  }
  return true;
}

void FtpUploader::disconnect() {
  if (!client_.isConnected()) return;
  client_.disconnect();
  Log(text(Text::FtpDisconnecting));
  host_.clearDirectoryView();
  host_.setDirectoryLabel("");
  host_.OnDisconnected();
}

// --- Frames ---

void FtpUploader::uploadFrame(const FrameRequest& frame) {
  if (!client_.isConnected()) return;
  const std::string remoteName = remoteNameOf(frame.localPath);
  Log(formatText(Text::FtpUploading, remoteName.c_str()));
  previousLocalPath_ = currentLocalPath_;
  currentLocalPath_ = frame.localPath;

  FtpResult result;
  if (frame.captureMode != 0) {
    if (frame.keepPrevious) {
      // No previous picture (a fresh folder) is no error.
      client_.renameFile(remoteName, stillBackupName(frame.backupPrefix, frame.runningNumber));
    }
    result = client_.putFile(frame.localPath, remoteName, FtpTransferMode::Binary);
    if (result.ok()) Log(text(Text::FtpUploadDone));
  } else {
    result = client_.putFile(frame.localPath, remoteName, FtpTransferMode::Binary);
    if (result.ok()) {
      retries_ = 0;
      lastUploadedFrame_ = remoteName;
      // The first strip of a session: which strip did the page name before?
      if (sweepPending_) publishedBefore_ = publishedStripOnServer();
      publishRunningPage(remoteName);
      Log(text(Text::FtpUploadDone));
      if (host_.isCapturing() && (host_.bufferClipLimit() != -1 || sweepPending_)) {
        queueCode(static_cast<std::int32_t>(UploadCode::DeleteOldestFrame));
      }
    } else if (result.error == FtpError::Refused && isMotionBufferName(remoteName)) {
      // The server answered, so it may hold part of the strip: remove it
      // (its number is never used again). A lost connection leaves this to
      // the first strip of the next session.
      client_.deleteFile(remoteName);
    }
  }

  host_.OnUploadDone();
  // Still pictures come under one local name: never remove the current one.
  if (previousLocalPath_ != currentLocalPath_) removeLocalFile(previousLocalPath_);
  if (!result.ok()) {
    Log(formatText(Text::FtpUploadError, result.code()));
    recoverFromUploadFailure();
  }
}

void FtpUploader::recoverFromUploadFailure() {
  Log(text(Text::FtpSessionErrorFound));
  Log(text(Text::FtpReconnecting));
  while (retries_ < kMaxReconnectTries) {
    if (!host_.isCapturing()) break;
    sleeper_.sleepMillis(kReconnectPauseMillis);
    ++retries_;
    Log(formatText(Text::FtpReconnectTry, retries_.load(), kMaxReconnectTries));
    disconnect();
    const ProfileInfo active = profile();
    if (openSession(active)) {
      enterUploadDirectory(active);
      listDirectory(true);
      break;
    }
  }
  if (retries_ == kMaxReconnectTries) {
    host_.StopAndDisconnect();
    host_.StartReconnectCountdown();
    Log(text(Text::FtpReconnectGaveUp));
    Log(text(Text::FtpCaptureAndUploadStopped));
  }
}

void FtpUploader::deleteOldestFrame() {
  if (sweepPending_) {
    sweepStaleStrips();
    return;
  }
  auto victim = rotationVictim(lastUploadedFrame_, host_.bufferClipLimit());
  if (!victim) return;
  if (client_.deleteFile(*victim).ok()) {
    Log(formatText(Text::FtpFileDeleted, victim->c_str()));
  } else {
    Log(formatText(Text::FtpCannotDelete, victim->c_str()));
  }
}

// --- Listing and navigation ---

void FtpUploader::listDirectory(bool withLog) {
  host_.clearDirectoryView();
  std::string here;
  client_.currentDirectory(here);
  host_.setDirectoryLabel(here);
  if (withLog) Log(text(Text::FtpListingStarted));

  std::vector<FtpFileEntry> entries;
  if (client_.listDirectory(entries).ok()) {
    // A listing that worked, an empty one too, sets the counts afresh; only
    // a failed one leaves them as they were.
    int motion = 0;
    int still = 0;
    motionCount_ = 0;
    stillCount_ = 0;
    host_.setMotionBufferCount(0);
    host_.setStillBufferCount(0);
    for (const auto& entry : entries) {
      if (entry.name == "." || entry.name == "..") continue;
      if (entry.attributes == kFtpAttributeDirectory) {
        DirectoryViewEntry line;
        line.name = entry.name;
        line.size = std::to_string(entry.size());
        line.date = format("%d/%d/%d", entry.lastWrite.day, entry.lastWrite.month,
                           entry.lastWrite.year);
        host_.addDirectoryEntry(line);
        continue;
      }
      switch (bufferFileKind(entry.name)) {
        case BufferFileKind::Motion:
          motionCount_ = ++motion;
          host_.setMotionBufferCount(motion);
          break;
        case BufferFileKind::Still:
          stillCount_ = ++still;
          host_.setStillBufferCount(still);
          break;
        case BufferFileKind::None: break;
      }
    }
  } else {
    client_.lastResponseText();
  }
  if (withLog) Log(text(Text::FtpListingDone));
}

void FtpUploader::changeDirectory(const std::string& directory) {
  if (!client_.isConnected()) return;
  client_.setCurrentDirectory(directory);
  listDirectory(true);
}

// --- Deleting buffer files ---

int FtpUploader::deletionPass(BulkDeletion form, bool logEachFile) {
  std::vector<FtpFileEntry> entries;
  client_.listDirectory(entries);
  const auto victims = namesToDelete(namesOf(entries), form);
  int deleted = 0;
  for (const auto& name : victims) {
    if (client_.deleteFile(name).ok()) {
      ++deleted;
      if (logEachFile) Log(formatText(Text::FtpFileDeleted, name.c_str()));
    }
    host_.setProgress(static_cast<int>(100LL * deleted / static_cast<long long>(victims.size())));
  }
  Log(formatText(Text::FtpBuffersDeleted, deleted));
  return deleted;
}

void FtpUploader::deleteAllBuffers() {
  if (!client_.isConnected()) return;
  Log(text(Text::FtpDeletingBuffers));
  listDirectory(false);
  host_.setProgress(0);
  host_.showProgress(true);
  deletionPass(BulkDeletion::Both, true);
  host_.showProgress(false);
  listDirectory(true);
}

void FtpUploader::clearMotionBuffers() {
  idle_ = false;
  Log(text(Text::FtpClearingClips));
  listDirectory(false);
  host_.setProgress(0);
  host_.showProgress(true);
  deletionPass(BulkDeletion::MotionOnly, false);
  host_.showProgress(false);
  listDirectory(true);
  Log(text(Text::FtpClipsCleared));
  idle_ = true;
}

void FtpUploader::endSession() {
  removeLocalFile(previousLocalPath_);
  removeLocalFile(currentLocalPath_);
  previousLocalPath_.clear();
  currentLocalPath_.clear();
  UploadStoppedStatus();
  if (client_.isConnected() && host_.captureMode() == 0) clearMotionBuffers();
  host_.ClearStopping();
}

}  // namespace karone
