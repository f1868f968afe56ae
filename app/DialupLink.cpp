#include "app/DialupLink.h"

#include "resources/Texts.h"

namespace karone {

DialupLink::DialupLink(DialupService& service, DialEventRelay& relay, DialupHost& host,
                       Sleeper& sleeper)
    : service_(service), relay_(relay), host_(host), sleeper_(sleeper) {}

bool DialupLink::FindConnectedEntry(std::string* name, DialupHandle* handle) {
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
  const DialupRequest request{params_.entryName, stored.user, stored.password};

  sleeper_.sleepMillis(kDialPauseMillis);
  host_.ShowStatus(formatText(Text::DialupDialling, params_.entryName.c_str(),
                              dialAttempt_ + 1, kMaxAttempts));

  // Events of this dial reach OnDialEvent only while it is the dial in
  // progress: late events of a dial already hung up are dropped.
  const unsigned serial = ++dialSerial_;
  DialupStart start = service_.dial(request, [this, serial](const DialupProgress& p) {
    relay_.relay([this, serial, p] {
      if (serial == dialSerial_ && weDialled_) OnDialEvent(p.state, p.error);
    });
  });
  handle_ = start.handle;
  if (start.error != DialupOk) failed(start.error);
  return true;
}

void DialupLink::failed(int error) {
  HangUp();
  host_.ShowStatus(text(Text::DialupFailed));
  host_.ShowStatus(formatText(Text::DialupErrorDetail, error, service_.errorText(error).c_str()));
  if (!stopRedial_) Redial();
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

void DialupLink::HangUp() {
  const DialupHandle handle = handle_;
  DialupStatus status = service_.status(handle);
  if (!(status.gone && !weDialled_)) {
    weDialled_ = false;
    service_.hangUp(handle);
    // The connection goes away asynchronously. Poll with a short pause (not
    // a busy loop) and never for ever: a service that does not confirm
    // leaves the link given up as down.
    bool confirmed = true;
    for (int polls = 0; !status.gone; ++polls) {
      if (polls >= kHangUpPollLimit) {
        confirmed = false;
        break;
      }
      if (polls > 0) sleeper_.sleepMillis(kHangUpPollMillis);
      host_.pumpMessages();
      status = service_.status(handle);
    }
    host_.ShowStatus(text(confirmed ? Text::DialupHungUp : Text::DialupHangUpUnconfirmed));
    existingInUse_ = false;
    handle_ = kNoDialupHandle;
  }
  sleeper_.sleepMillis(kHangUpWaitMillis);
}

}  // namespace karone
