#pragma once
// The dial-up line an FTP profile may need before its FTP session opens:
// adopts a connection that is already up, dials the profile's phone-book
// entry (with the credentials stored for the entry), redials after
// failures up to ten attempts in a series, reports progress as status lines
// through the host, asks for the FTP connection once the line is up (unless
// only dialling was asked for), and hangs up.
//
// Threads: FindConnectedEntry, Dial, Redial and OnDialEvent run on the
// window thread; HangUp runs on the window thread or the uploader's worker
// (after a disconnect). Progress of a dial arrives on the service's thread
// and is relayed synchronously to the window thread, where it becomes
// OnDialEvent. The flags are atomic words; nothing else is locked.
//
// Waits (400 ms before each dial, pauses while a hang-up takes effect, 3 s
// after a hang-up) go through the Sleeper.
#include <atomic>
#include <string>

#include "app/DialEventRelay.h"
#include "app/DialupHost.h"
#include "platform/Clock.h"
#include "platform/DialupService.h"

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

  DialupLink(DialupService& service, DialEventRelay& relay, DialupHost& host, Sleeper& sleeper);
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
  // Starts a new series of attempts (the attempt counter starts at 0).
  // False when a connected connection is (already) in use, so the caller
  // may connect FTP at once; true when a dial was attempted.
  bool Dial();
  // The next attempt of the series after a failure; gives up after ten.
  void Redial();
  // A progress event of the dial (window thread). Returns 0.
  int OnDialEvent(DialupState state, int error);
  // Takes the link down (when one is known or a dial is in progress) and
  // waits 3 s in every case.
  void HangUp();

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
  void failed(int error);

  DialupService& service_;
  DialEventRelay& relay_;
  DialupHost& host_;
  Sleeper& sleeper_;
  DialParams params_;

  std::atomic<DialupHandle> handle_{kNoDialupHandle};
  std::atomic<bool> weDialled_{false};
  std::atomic<bool> existingInUse_{false};
  std::atomic<bool> stopRedial_{false};
  std::atomic<bool> dialOnly_{false};
  std::atomic<bool> hangUpAfterDisconnect_{false};
  std::atomic<int> dialAttempt_{0};
  std::atomic<unsigned> dialSerial_{0};  // counts dials started here
};

}  // namespace karone
