#pragma once
// The dial-up line an FTP profile may need before its FTP session opens:
// adopts a connection that is already up, dials the profile's phone-book
// entry (with the credentials stored for the entry), redials after
// failures up to ten attempts in a series, reports progress as status lines
// through the host, asks for the FTP connection once the line is up (unless
// only dialling was asked for), and hangs up.
//
// The waits of the link never block the window thread: the pause before
// each dial, the polling while a hang-up takes effect and the pause after
// it are timer steps, and a hang-up reports its end through a callback.
// Status lines and their order are those of a blocking link.
//
// Threads: window thread only (the thread of the task runner). Progress of
// a dial arrives on the service's thread and is posted to the window
// thread, where it becomes OnDialEvent; events of a dial that was hung up or
// replaced are dropped.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DialupHost.h"
#include "platform/DialupService.h"
#include "platform/TaskRunner.h"
#include "platform/Timers.h"

namespace karone {

class DialupLink {
 public:
  static constexpr int kMaxAttempts = 10;
  static constexpr int kDialPauseMillis = 400;
  static constexpr int kHangUpWaitMillis = 3000;
  // While a hang-up takes effect the connection is polled this often, for
  // at most kHangUpPollLimit polls (10 s); then the link is given up as
  // down without the service's confirmation.
  static constexpr int kHangUpPollMillis = 50;
  static constexpr int kHangUpPollLimit = 200;

  struct DialParams {
    std::string entryName;  // the phone-book entry that is dialled
    std::string userName;   // kept for the profile; the entry's stored
    std::string password;   // credentials are the ones used
  };

  DialupLink(DialupService& service, TaskRunner& runner, TimerService& timers, DialupHost& host);
  ~DialupLink();
  DialupLink(const DialupLink&) = delete;
  DialupLink& operator=(const DialupLink&) = delete;

  void setDialParams(const DialParams& params) { params_ = params; }
  const DialParams& dialParams() const { return params_; }

  // Whether a connection of the service is in the connected state; the
  // first such one gives its entry name and handle (each when asked for).
  bool FindConnectedEntry(std::string* name = nullptr, DialupHandle* handle = nullptr);
  // At start-up: takes a connection that is already up as the link, without
  // a status line. True when one was found.
  bool adoptConnectedEntry();
  // Starts a new series of attempts (the attempt counter starts at 0). The
  // dial itself follows after a short pause. False when a connected
  // connection is (already) in use, so the caller may connect FTP at once;
  // true when a dial was attempted.
  bool Dial();
  // The next attempt of the series after a failure; gives up after ten.
  void Redial();
  // A progress event of the dial. Returns 0.
  int OnDialEvent(DialupState state, int error);
  // Takes the link down (when one is known or a dial is in progress); a
  // dial waiting for its pause is cancelled. `done` runs once the link is
  // down and the pause after a hang-up has passed (also when there was
  // nothing to hang up). A hang-up asked for while one is under way joins
  // it.
  void HangUp(std::function<void()> done = {});
  bool hangingUp() const { return hangingUp_; }

  bool WeDialled() const { return weDialled_; }
  bool ExistingConnectionInUse() const { return existingInUse_; }
  bool StopRedial() const { return stopRedial_; }
  void setStopRedial(bool on) { stopRedial_ = on; }
  bool DialOnly() const { return dialOnly_; }
  void setDialOnly(bool on) { dialOnly_ = on; }
  bool HangUpAfterDisconnect() const { return hangUpAfterDisconnect_; }
  void setHangUpAfterDisconnect(bool on) { hangUpAfterDisconnect_ = on; }
  int DialAttempt() const { return dialAttempt_; }
  void resetDialAttempt() { dialAttempt_ = 0; }
  DialupHandle handle() const { return handle_; }

 private:
  bool attempt();
  void dialNow();
  void failed(int error);
  void pollHangUp();
  void finishHangUp(bool confirmed);

  DialupService& service_;
  TaskRunner& runner_;
  DialupHost& host_;
  DialParams params_;
  DialupRequest pendingRequest_;
  std::unique_ptr<Timer> dialPause_;
  std::unique_ptr<Timer> hangUpPoll_;
  std::unique_ptr<Timer> hangUpPause_;
  // Tasks posted by the service's thread run only while this link lives.
  std::shared_ptr<DialupLink*> self_;

  DialupHandle handle_ = kNoDialupHandle;
  bool weDialled_ = false;
  bool existingInUse_ = false;
  bool stopRedial_ = false;
  bool dialOnly_ = false;
  bool hangUpAfterDisconnect_ = false;
  int dialAttempt_ = 0;
  unsigned dialSerial_ = 0;  // counts dials started here

  bool hangingUp_ = false;
  DialupHandle hangingHandle_ = kNoDialupHandle;
  int hangUpPolls_ = 0;
  std::vector<std::function<void()>> hangUpDone_;
};

}  // namespace karone
