#include "app/Connection.h"

#include "app/ProfileKeyFiles.h"
#include "platform/ThreadCheck.h"
#include "resources/Texts.h"

namespace karone {

Connection::Connection(TaskRunner& runner, TimerService& timers, DialupService& dialup,
                       FtpUploader& uploader, EventLog& log, Prompter& prompter,
                       std::function<bool()> capturing)
    : runner_(runner),
      uploader_(uploader),
      log_(log),
      prompter_(prompter),
      capturing_(std::move(capturing)),
      link_(dialup, runner, timers, *this),
      sessionCheck_(timers.createTimer([this] { checkIdleSession(); })) {}

Connection::~Connection() = default;

ProfileInfo Connection::withKeyFile(const ProfileInfo& profile) const {
  ProfileInfo p = profile;
  if (keyFiles_) p.keyFile = readProfileKeyFile(*keyFiles_, p.name);
  return p;
}

void Connection::open(const ProfileInfo& profile) {
  KARONE_CHECK_THREAD(runner_);
  active_ = withKeyFile(profile);
  uploader_.SetProfile(active_);
  if (active_.useDialup == 0) {
    uploader_.queue(upload::Connect{});
    return;
  }
  link_.resetDialAttempt();
  if (link_.ExistingConnectionInUse()) {
    std::string name;
    if (link_.FindConnectedEntry(&name)) log_.Log(formatText(Text::DialupUsingExisting, name.c_str()));
    uploader_.queue(upload::Connect{});
  } else if (!link_.WeDialled()) {
    setDialParams(active_);
    link_.setDialOnly(false);
    if (!link_.Dial()) uploader_.queue(upload::Connect{});
  }
}

void Connection::openDirect(const ProfileInfo& profile) {
  KARONE_CHECK_THREAD(runner_);
  active_ = withKeyFile(profile);
  uploader_.SetProfile(active_);
  uploader_.queue(upload::Connect{});
}

void Connection::openForSchedule(const ProfileInfo& profile) {
  KARONE_CHECK_THREAD(runner_);
  if (connected() && active_.address == profile.address) {
    // The same server: keep the session when it still answers. The check
    // runs on the worker; what follows it runs here when it has answered.
    auto checked = [this, profile, alive = std::weak_ptr<bool>(alive_)](bool ok) {
      if (ok) return;
      runner_.post([this, profile, alive] {
        if (alive.expired()) return;
        log_.Log(text(Text::SessionLostReconnecting));
        uploader_.queue(upload::Disconnect{});
        openDirect(profile);
      });
    };
    uploader_.queue(upload::CheckSession{false, checked});
    return;
  }
  if (connected()) uploader_.queue(upload::Disconnect{});
  openDirect(profile);
}

void Connection::close() {
  KARONE_CHECK_THREAD(runner_);
  if (active_.useDialup != 0) link_.setHangUpAfterDisconnect(true);
  uploader_.queue(upload::Disconnect{});
  suspect_ = false;
}

void Connection::hangUpOwnLine() {
  link_.setStopRedial(true);
  link_.HangUp();
}

void Connection::setDialParams(const ProfileInfo& profile) {
  link_.setDialParams({profile.dialupEntry, profile.dialupUser, profile.dialupPassword});
}

void Connection::dial(const ProfileInfo& profile, bool dialOnly) {
  setDialParams(profile);
  link_.setDialOnly(dialOnly);
  link_.Dial();
}

void Connection::sessionOpened(bool ok) {
  if (ok) suspect_ = false;
}

void Connection::disconnected() {
  if (!link_.HangUpAfterDisconnect()) return;
  link_.setHangUpAfterDisconnect(false);
  link_.HangUp();
}

void Connection::everySecond(bool mayCheck) {
  KARONE_CHECK_THREAD(runner_);
  if (connected()) {
    ++idleSeconds_;
  } else {
    idleSeconds_ = 0;
  }
  if (mayCheck && idleSeconds_ > kIdleSessionSeconds && connected() && !capturing_() &&
      uploader_.IsIdle() && !sessionCheck_->active()) {
    idleSeconds_ = 0;
    log_.Log(text(Text::SessionCheck));
    sessionCheck_->startOnce(kSessionCheckDelayMillis);
  }
}

void Connection::checkIdleSession() {
  // The session may have changed during the pause.
  if (!connected() || capturing_() || !uploader_.IsIdle()) return;
  auto checked = [this, alive = std::weak_ptr<bool>(alive_)](bool ok) {
    runner_.post([this, alive, ok] {
      if (!alive.expired() && !ok) suspect_ = true;
    });
  };
  uploader_.queue(upload::CheckSession{true, checked});
}

bool Connection::warnIfSuspect() {
  if (!suspect_) return false;
  prompter_.askLater(text(Text::SessionSuspectWarning), text(Text::FtpSessionCaption),
                     PromptButtons::Ok, PromptIcon::Warning, nullptr);
  return true;
}

}  // namespace karone
