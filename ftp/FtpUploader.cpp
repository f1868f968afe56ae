#include "ftp/FtpUploader.h"

#include <unistd.h>

#include <cstdlib>

#include "ftp/ServerTrust.h"
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
      log_(parts.log),
      sleeper_(parts.sleeper),
      pages_(parts.client, parts.log, paths::withTrailingSlash(std::move(parts.statusDirectory))),
      events_(std::move(parts.events)),
      context_(std::move(parts.context)),
      requests_(std::move(parts.requests)) {
  client_.openSession(kAgent);  // a failed session makes every connect fail
}

FtpUploader::~FtpUploader() {
  StopWorker();
  client_.disconnect();
  client_.closeSession();
}

// --- Worker ---

bool FtpUploader::StartWorker() {
  if (!worker_.start()) return false;
  started_ = true;
  return true;
}

void FtpUploader::StopWorker() {
  // A worker never started would never come to the mark.
  if (started_ && worker_.post([this] { stopping_ = true; })) worker_.waitUntilIdle();
  worker_.stop();
}

void FtpUploader::post(std::function<void()> work) {
  worker_.post([this, work = std::move(work)] {
    if (stopping_) return;
    report(upload_event::SessionActivity{});
    work();
  });
}

void FtpUploader::queue(UploadCommand command) {
  const auto* change = std::get_if<upload::ChangeDirectory>(&command);
  if (change != nullptr && !change->isFolder) return;
  post([this, command = std::move(command)] {
    std::visit([this](const auto& c) { run(c); }, command);
  });
}

void FtpUploader::waitUntilDone() { worker_.waitUntilIdle(); }

void FtpUploader::report(UploaderEvent event) {
  if (events_) events_(std::move(event));
}

UploadContext FtpUploader::context() const { return context_ ? context_() : UploadContext{}; }

PromptAnswer FtpUploader::ask(const std::string& text, const std::string& caption,
                              PromptButtons buttons, PromptIcon icon) {
  if (!requests_.ask) return PromptAnswer::Cancel;
  return requests_.ask(text, caption, buttons, icon);
}

void FtpUploader::run(const upload::DisconnectAndHangUp&) {
  disconnect();
  report(upload_event::HangUp{});
}

void FtpUploader::run(const upload::CheckSession& command) {
  const bool alive = checkSession(command.withLog);
  if (command.done) command.done(alive);
}

// --- The active profile ---

void FtpUploader::SetProfile(const ProfileInfo& profile) {
  std::lock_guard lock(profileMutex_);
  profile_ = profile;
}

ProfileInfo FtpUploader::profile() const {
  std::lock_guard lock(profileMutex_);
  return profile_;
}

bool FtpUploader::IsConnected() const { return client_.isConnected(); }
bool FtpUploader::IsIdle() const { return worker_.idle(); }

void FtpUploader::Log(const std::string& message) { log_.Log(message); }

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

bool FtpUploader::checkSession(bool withLog) {
  std::vector<FtpFileEntry> entries;
  // Any answer proves the session, an empty folder included.
  bool alive = client_.isConnected() && client_.listDirectory(entries).ok();
  if (withLog) Log(text(alive ? Text::FtpSessionAlive : Text::FtpSessionLost));
  return alive;
}

void FtpUploader::beginExit(std::int64_t budgetMillis) {
  pages_.beginExit();
  client_.setDeadlineIn(budgetMillis);
}

bool FtpUploader::uploadStoppedStatus() { return pages_.publishStopped(); }

void FtpUploader::sweepStaleStrips() {
  sweepPending_ = false;
  auto newest = motionRunningNumber(lastUploadedFrame_);
  if (!newest) return;
  std::vector<FtpFileEntry> entries;
  if (!client_.listDirectory(entries).ok()) return;
  for (const auto& name :
       staleStrips(namesOf(entries), *newest, context().bufferClipLimit, publishedBefore_)) {
    if (client_.deleteFile(name).ok()) {
      deletedStrips_.insert(name);
      Log(formatText(Text::FtpFileDeleted, name.c_str()));
    } else {
      Log(formatText(Text::FtpCannotDelete, name.c_str()));
    }
  }
}

void FtpUploader::sweepAfterReconnect() {
  // An outage that lets us log in but cuts every store short leaves a
  // partial strip per try, and no strip gets through to sweep them: sweep
  // now, from the newest strip known to be complete.
  if (context().captureMode != 0 || !motionRunningNumber(lastUploadedFrame_)) return;
  publishedBefore_ = pages_.stripOnServer();
  sweepStaleStrips();
}

// --- Connect and disconnect ---

FtpConnectParams FtpUploader::connectParams(const ProfileInfo& profile) {
  FtpConnectParams params;
  params.address = profile.address;
  params.port = static_cast<std::uint16_t>(profile.port & 0xffff);
  params.user = profile.userId;
  params.password = profile.password;
  params.passive = profile.passiveMode != 0;
  params.keyFile = profile.keyFile;
  return params;
}

bool FtpUploader::openSession(const ProfileInfo& profile) {
  Log(formatText(Text::FtpConnecting, profile.address.c_str()));
  const FtpConnectParams params = connectParams(profile);
  FtpResult connected = client_.connect(params);
  if (!connected.ok() && offerTrust(profile)) connected = client_.connect(params);
  if (!connected.ok()) {
    Log(text(Text::FtpConnectError));
    // "接続エラー" alone cannot tell a private authority that is not trusted
    // from a server that is down; the TLS layer's reason names the problem.
    if (connected.error == FtpError::TlsFailed) {
      Log(formatText(Text::FtpTlsFailed, connected.text.c_str()));
    } else if (connected.error == FtpError::LoginFailed) {
      Log(formatText(Text::FtpLoginRefused, connected.text.c_str()));
    }
    report(upload_event::SessionOpened{false});
    return false;
  }
  Log(text(Text::FtpConnected));
  sweepPending_ = true;
  stripsPending_ = true;
  report(upload_event::SessionOpened{true});
  return true;
}

bool FtpUploader::offerTrust(const ProfileInfo& profile) {
  return offerServerTrust(client_, profile.name, [this](const std::string& line) { Log(line); },
                          [this](const std::string& question) {
                            return ask(question, text(Text::FtpSessionCaption),
                                       PromptButtons::YesNo, PromptIcon::Warning);
                          });
}

void FtpUploader::enterUploadDirectory(const ProfileInfo& profile) {
  bool entered = !profile.uploadDirectory.empty() &&
                 client_.setCurrentDirectory(profile.uploadDirectory).ok();
  if (entered) return;
  std::string here;
  if (client_.currentDirectory(here).ok()) client_.setCurrentDirectory(here);
  if (!profile.uploadDirectory.empty()) {
    ask(text(Text::FtpDirectoryInaccessible), text(Text::FtpSessionCaption), PromptButtons::Ok,
        PromptIcon::Warning);
  }
}

bool FtpUploader::connect(bool reconnect) {
  const ProfileInfo active = profile();
  bool ok = true;
  if (client_.isConnected()) {
    auto answer = ask(text(Text::FtpAskDisconnect), text(Text::FtpSessionCaption),
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
      report(upload_event::StartReconnectCountdown{});
    }
    return false;
  }
  gaveUp_ = false;
  deletedStrips_.clear();
  enterUploadDirectory(active);
  listDirectory(true);
  Log(text(Text::FtpReady));
  previousLocalPath_.clear();
  currentLocalPath_.clear();
  if (reconnect) {
    if (context().captureMode == 0) clearMotionBuffers();
    if (requests_.startSendingAfterReconnect) requests_.startSendingAfterReconnect();
    if (context().capturing) {
      Log(text(Text::FtpReconnectedCapturing));
      report(upload_event::StopReconnectCountdown{});
    } else {
      Log(text(Text::FtpTimedReconnectError));
      report(upload_event::StartReconnectCountdown{});
    }
  }
  return true;
}

void FtpUploader::disconnect() {
  if (!client_.isConnected()) return;
  client_.disconnect();
  Log(text(Text::FtpDisconnecting));
  report(upload_event::DirectoryCleared{});
  report(upload_event::DirectoryLabel{""});
  report(upload_event::Disconnected{});
}

// --- Frames ---

void FtpUploader::uploadFrame(const FrameRequest& frame) {
  // After a give-up the stop is on its way: a picture queued before it
  // goes nowhere.
  if (!client_.isConnected() || gaveUp_) return;
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
      if (sweepPending_) publishedBefore_ = pages_.stripOnServer();
      pages_.publishRunning(remoteName, context());
      Log(text(Text::FtpUploadDone));
      const UploadContext current = context();
      if (current.capturing && (current.bufferClipLimit != -1 || sweepPending_)) {
        post([this] { deleteOldestFrame(); });
      }
    } else if (result.error == FtpError::Refused && isMotionBufferName(remoteName)) {
      // The server answered, so it may hold part of the strip: remove it
      // (its number is never used again). A lost connection leaves this to
      // the first strip of the next session.
      if (client_.deleteFile(remoteName).ok()) deletedStrips_.insert(remoteName);
    }
  }

  // Capture has stopped meanwhile: the stopped page goes out now, while
  // nothing else uses the connection.
  if (!context().capturing) uploadStoppedStatus();
  report(upload_event::UploadDone{});
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
    if (!context().capturing) break;
    sleeper_.sleepMillis(kReconnectPauseMillis);
    ++retries_;
    Log(formatText(Text::FtpReconnectTry, retries_.load(), kMaxReconnectTries));
    disconnect();
    const ProfileInfo active = profile();
    if (openSession(active)) {
      enterUploadDirectory(active);
      listDirectory(true);
      sweepAfterReconnect();
      break;
    }
  }
  if (retries_ == kMaxReconnectTries) {
    gaveUp_ = true;
    report(upload_event::StopAndDisconnect{});
    report(upload_event::StartReconnectCountdown{});
    Log(text(Text::FtpReconnectGaveUp));
    Log(text(Text::FtpCaptureAndUploadStopped));
  }
}

void FtpUploader::deleteOldestFrame() {
  if (sweepPending_) {
    sweepStaleStrips();
    return;
  }
  auto victim = rotationVictim(lastUploadedFrame_, context().bufferClipLimit);
  if (!victim) return;
  if (deletedStrips_.erase(*victim) > 0) return;  // gone already: nothing failed
  if (client_.deleteFile(*victim).ok()) {
    Log(formatText(Text::FtpFileDeleted, victim->c_str()));
  } else {
    Log(formatText(Text::FtpCannotDelete, victim->c_str()));
  }
}

// --- Listing and navigation ---

void FtpUploader::listDirectory(bool withLog) {
  report(upload_event::DirectoryCleared{});
  std::string here;
  client_.currentDirectory(here);
  report(upload_event::DirectoryLabel{here});
  if (withLog) Log(text(Text::FtpListingStarted));

  std::vector<FtpFileEntry> entries;
  if (client_.listDirectory(entries).ok()) {
    // A listing that worked, an empty one too, sets the counts afresh; only
    // a failed one leaves them as they were.
    int motion = 0;
    int still = 0;
    std::vector<std::uint32_t> strips;
    motionCount_ = 0;
    stillCount_ = 0;
    report(upload_event::MotionBufferCount{0});
    report(upload_event::StillBufferCount{0});
    for (const auto& entry : entries) {
      if (entry.name == "." || entry.name == "..") continue;
      if (entry.attributes == kFtpAttributeDirectory) {
        DirectoryViewEntry line;
        line.name = entry.name;
        line.size = std::to_string(entry.size());
        line.date = format("%d/%d/%d", entry.lastWrite.day, entry.lastWrite.month,
                           entry.lastWrite.year);
        report(upload_event::DirectoryEntry{line});
        continue;
      }
      switch (bufferFileKind(entry.name)) {
        case BufferFileKind::Motion:
          if (auto number = motionRunningNumber(entry.name)) strips.push_back(*number);
          motionCount_ = ++motion;
          report(upload_event::MotionBufferCount{motion});
          break;
        case BufferFileKind::Still:
          stillCount_ = ++still;
          report(upload_event::StillBufferCount{still});
          break;
        case BufferFileKind::None: break;
      }
    }
    if (stripsPending_) {
      stripsPending_ = false;
      if (!strips.empty()) report(upload_event::StripsOnServer{std::move(strips)});
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

int FtpUploader::deletionPass(BulkDeletion form, bool logEachFile, const std::string& keep) {
  std::vector<FtpFileEntry> entries;
  client_.listDirectory(entries);
  auto victims = namesToDelete(namesOf(entries), form);
  std::erase(victims, keep);
  int deleted = 0;
  for (const auto& name : victims) {
    if (client_.deleteFile(name).ok()) {
      ++deleted;
      if (logEachFile) Log(formatText(Text::FtpFileDeleted, name.c_str()));
    }
    report(upload_event::ProgressPercent{
        static_cast<int>(100LL * deleted / static_cast<long long>(victims.size()))});
  }
  Log(formatText(Text::FtpBuffersDeleted, deleted));
  return deleted;
}

void FtpUploader::deleteAllBuffers() {
  if (!client_.isConnected()) return;
  Log(text(Text::FtpDeletingBuffers));
  listDirectory(false);
  report(upload_event::ProgressPercent{0});
  report(upload_event::ProgressShown{true});
  deletionPass(BulkDeletion::Both, true);
  report(upload_event::ProgressShown{false});
  listDirectory(true);
}

void FtpUploader::clearMotionBuffers(const std::string& keep) {
  Log(text(Text::FtpClearingClips));
  listDirectory(false);
  report(upload_event::ProgressPercent{0});
  report(upload_event::ProgressShown{true});
  deletionPass(BulkDeletion::MotionOnly, false, keep);
  report(upload_event::ProgressShown{false});
  listDirectory(true);
  Log(text(Text::FtpClipsCleared));
}

void FtpUploader::endSession() {
  removeLocalFile(previousLocalPath_);
  removeLocalFile(currentLocalPath_);
  previousLocalPath_.clear();
  currentLocalPath_.clear();
  // A page that could not be replaced by the stopped one still names its
  // strip: that strip stays, so that visitors see no broken picture.
  const std::string keep = uploadStoppedStatus() ? std::string() : pages_.strip();
  if (client_.isConnected() && context().captureMode == 0) clearMotionBuffers(keep);
  report(upload_event::ClearStopping{});
}

}  // namespace karone
