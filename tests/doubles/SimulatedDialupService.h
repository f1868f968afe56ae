#pragma once
// A scriptable dial-up service for tests. Entries, connections that are
// already up, and the course of each dial are set up beforehand; progress
// events wait until deliverProgress() hands them to the dial's progress
// function on the calling thread, so a test decides which thread plays the
// service's own and when.
//
// Each dial takes the next script (first in, first out). Without a script a
// dial of a known entry starts and reports Authenticating, then Connected;
// a dial of an unknown entry does not start (DialupNoSuchEntry).
// A connection that is hung up stays visible for `hangUpQueries` further
// status() queries, then is gone.
//
// Thread-safe; progress functions are called without the lock held.
#include <deque>
#include <map>
#include <mutex>

#include "platform/DialupService.h"

namespace karone {

class SimulatedDialupService final : public DialupService {
 public:
  struct Script {
    int startError = DialupOk;  // non-zero: the dial does not start
    std::vector<DialupProgress> progress{{DialupState::Authenticating, DialupOk},
                                         {DialupState::Connected, DialupOk}};
    int hangUpQueries = 0;
  };

  // Scripts.
  void addEntry(const std::string& name, const std::string& user = "",
                const std::string& password = "");
  DialupHandle addConnectedConnection(const std::string& entryName, int hangUpQueries = 0);
  void scriptDial(const Script& script);
  // A dial that fails at once with `error` for each of the next `count` dials.
  void scriptFailures(int count, int error);
  void setErrorText(int error, const std::string& text);
  // Reading the phone book fails with `error` (DialupOk: it works again).
  void setEntriesError(int error);

  // Delivers the waiting progress events of every dial, in order, on the
  // calling thread. Returns how many were delivered.
  int deliverProgress();
  int pendingProgress() const;

  // What happened.
  std::vector<DialupRequest> dials() const;
  std::vector<DialupHandle> hangUps() const;
  int statusQueries() const;
  int entryReads() const;

  std::vector<DialupConnection> connections() override;
  DialupStatus status(DialupHandle handle) override;
  DialupEntries readEntries() override;
  std::optional<DialupCredentials> storedCredentials(const std::string& entry) override;
  DialupStart dial(const DialupRequest& request, ProgressFunction progress) override;
  void hangUp(DialupHandle handle) override;
  std::string errorText(int error) override;

 private:
  struct Connection {
    std::string entryName;
    DialupState state = DialupState::Opening;
    int error = DialupOk;
    bool hangingUp = false;
    int queriesLeft = 0;  // after hang-up, until gone
    int hangUpQueries = 0;
  };
  struct Pending {
    DialupHandle handle;
    DialupProgress progress;
    ProgressFunction function;
  };

  mutable std::mutex mutex_;
  std::vector<std::pair<std::string, DialupCredentials>> entries_;
  std::map<DialupHandle, Connection> connections_;
  std::deque<Script> scripts_;
  std::deque<Pending> pending_;
  std::map<int, std::string> errorTexts_;
  std::vector<DialupRequest> dials_;
  std::vector<DialupHandle> hangUps_;
  int statusQueries_ = 0;
  int entriesError_ = DialupOk;
  int entryReads_ = 0;
  DialupHandle nextHandle_ = 1;
};

}  // namespace karone
