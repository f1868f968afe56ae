#include "app/DialupLink.h"

#include "platform/ThreadCheck.h"
#include "resources/Texts.h"

namespace karone {

DialupLink::DialupLink(DialupService& service, TaskRunner& runner, TimerService& timers,
                       DialupHost& host)
    : service_(service),
      runner_(runner),
      host_(host),
      self_(std::make_shared<DialupLink*>(this)) {
  dialPause_ = timers.createTimer([this] { dialNow(); });
  hangUpPoll_ = timers.createTimer([this] { pollHangUp(); });
  hangUpPause_ = timers.createTimer([this] {
    hangingUp_ = false;
    std::vector<std::function<void()>> done;
    done.swap(hangUpDone_);
    for (auto& f : done)
      if (f) f();
  });
}

DialupLink::~DialupLink() { *self_ = nullptr; }

bool DialupLink::FindConnectedEntry(std::string* name, DialupHandle* handle) {
  KARONE_CHECK_THREAD(runner_);
  for (const DialupConnection& c : service_.connections()) {
    DialupStatus status = service_.status(c.handle);
    if (status.gone || status.state != DialupState::Connected) continue;
    if (name != nullptr) *name = c.entryName;
    if (handle != nullptr) *handle = c.handle;
    return true;
  }
  return false;
}

bool DialupLink::adoptConnectedEntry() {
  DialupHandle handle = kNoDialupHandle;
  if (!FindConnectedEntry(nullptr, &handle)) return false;
  handle_ = handle;
  existingInUse_ = true;
  return true;
}

bool DialupLink::Dial() {
  KARONE_CHECK_THREAD(runner_);
  // Every dial from outside starts a series of its own, also after a series
  // that gave up (which would otherwise show 11/10 and never redial).
  dialAttempt_ = 0;
  return attempt();
}

bool DialupLink::attempt() {
  std::string connected;
  DialupHandle handle = kNoDialupHandle;
  if (FindConnectedEntry(&connected, &handle)) {
    host_.ShowStatus(formatText(Text::DialupUsingExisting, connected.c_str()));
    handle_ = handle;
    existingInUse_ = true;
  }
  if (existingInUse_) return false;

  const DialupCredentials stored =
      service_.storedCredentials(params_.entryName).value_or(DialupCredentials{});
  stopRedial_ = false;
  weDialled_ = true;
  handle_ = kNoDialupHandle;
  pendingRequest_ = DialupRequest{params_.entryName, stored.user, stored.password};
  dialPause_->startOnce(kDialPauseMillis);
  return true;
}

void DialupLink::dialNow() {
  if (!weDialled_) return;  // hung up during the pause
  host_.ShowStatus(formatText(Text::DialupDialling, pendingRequest_.entryName.c_str(),
                              dialAttempt_ + 1, kMaxAttempts));
  // Events of this dial reach OnDialEvent only while it is the dial in
  // progress: late events of a dial already hung up are dropped.
  const unsigned serial = ++dialSerial_;
  std::weak_ptr<DialupLink*> alive = self_;
  DialupStart start = service_.dial(pendingRequest_, [this, alive, serial,
                                                      &runner = runner_](const DialupProgress& p) {
    runner.post([this, alive, serial, p] {
      auto self = alive.lock();
      if (!self || *self == nullptr) return;
      if (serial == dialSerial_ && weDialled_) OnDialEvent(p.state, p.error);
    });
  });
  handle_ = start.handle;
  if (start.error != DialupOk) failed(start.error);
}

void DialupLink::failed(int error) {
  const std::string detail = formatText(Text::DialupErrorDetail, error,
                                        service_.errorText(error).c_str());
  HangUp([this, detail] {
    host_.ShowStatus(text(Text::DialupFailed));
    host_.ShowStatus(detail);
    if (!stopRedial_) Redial();
  });
}

void DialupLink::Redial() {
  if (stopRedial_) return;
  if (++dialAttempt_ < kMaxAttempts) {
    attempt();
  } else {
    stopRedial_ = true;
  }
}

int DialupLink::OnDialEvent(DialupState state, int error) {
  KARONE_CHECK_THREAD(runner_);
  if (error != DialupOk) {
    failed(error);
  } else if (state == DialupState::Connected) {
    host_.ShowStatus(text(Text::DialupSucceeded));
    weDialled_ = false;
    existingInUse_ = true;
    dialAttempt_ = 0;
    if (!dialOnly_) host_.QueueConnect();
  } else if (state == DialupState::Authenticating) {
    host_.ShowStatus(text(Text::DialupAuthenticating));
  }
  return 0;
}

void DialupLink::HangUp(std::function<void()> done) {
  KARONE_CHECK_THREAD(runner_);
  hangUpDone_.push_back(std::move(done));
  if (hangingUp_) return;  // joins the hang-up under way
  hangingUp_ = true;
  dialPause_->stop();
  hangingHandle_ = handle_;
  const DialupStatus status = service_.status(hangingHandle_);
  if (status.gone && !weDialled_) {
    hangUpPause_->startOnce(kHangUpWaitMillis);
    return;
  }
  weDialled_ = false;
  service_.hangUp(hangingHandle_);
  if (status.gone) {
    finishHangUp(true);
    return;
  }
  // The connection goes away asynchronously: poll with a short pause and
  // never for ever; a service that does not confirm leaves the link given
  // up as down.
  hangUpPolls_ = 0;
  pollHangUp();
}

void DialupLink::pollHangUp() {
  if (service_.status(hangingHandle_).gone) {
    hangUpPoll_->stop();
    finishHangUp(true);
  } else if (++hangUpPolls_ >= kHangUpPollLimit) {
    hangUpPoll_->stop();
    finishHangUp(false);
  } else if (!hangUpPoll_->active()) {
    hangUpPoll_->start(kHangUpPollMillis);
  }
}

void DialupLink::finishHangUp(bool confirmed) {
  host_.ShowStatus(text(confirmed ? Text::DialupHungUp : Text::DialupHangUpUnconfirmed));
  existingInUse_ = false;
  handle_ = kNoDialupHandle;
  hangUpPause_->startOnce(kHangUpWaitMillis);
}

}  // namespace karone
