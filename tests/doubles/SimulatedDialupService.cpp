#include "tests/doubles/SimulatedDialupService.h"

namespace karone {

void SimulatedDialupService::addEntry(const std::string& name, const std::string& user,
                                      const std::string& password) {
  std::lock_guard lock(mutex_);
  entries_.push_back({name, DialupCredentials{user, password}});
}

DialupHandle SimulatedDialupService::addConnectedConnection(const std::string& entryName,
                                                            int hangUpQueries) {
  std::lock_guard lock(mutex_);
  DialupHandle handle = nextHandle_++;
  Connection c;
  c.entryName = entryName;
  c.state = DialupState::Connected;
  c.hangUpQueries = hangUpQueries;
  connections_[handle] = c;
  return handle;
}

void SimulatedDialupService::scriptDial(const Script& script) {
  std::lock_guard lock(mutex_);
  scripts_.push_back(script);
}

void SimulatedDialupService::scriptFailures(int count, int error) {
  Script s;
  s.progress = {{DialupState::Opening, error}};
  for (int i = 0; i < count; ++i) scriptDial(s);
}

void SimulatedDialupService::setErrorText(int error, const std::string& text) {
  std::lock_guard lock(mutex_);
  errorTexts_[error] = text;
}

int SimulatedDialupService::deliverProgress() {
  int delivered = 0;
  for (;;) {
    Pending next;
    {
      std::lock_guard lock(mutex_);
      if (pending_.empty()) return delivered;
      next = std::move(pending_.front());
      pending_.pop_front();
      auto it = connections_.find(next.handle);
      if (it != connections_.end() && !it->second.hangingUp) {
        it->second.state = next.progress.state;
        it->second.error = next.progress.error;
      }
    }
    if (next.function) next.function(next.progress);
    ++delivered;
  }
}

int SimulatedDialupService::pendingProgress() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(pending_.size());
}

std::vector<DialupRequest> SimulatedDialupService::dials() const {
  std::lock_guard lock(mutex_);
  return dials_;
}

std::vector<DialupHandle> SimulatedDialupService::hangUps() const {
  std::lock_guard lock(mutex_);
  return hangUps_;
}

int SimulatedDialupService::statusQueries() const {
  std::lock_guard lock(mutex_);
  return statusQueries_;
}

std::vector<DialupConnection> SimulatedDialupService::connections() {
  std::lock_guard lock(mutex_);
  std::vector<DialupConnection> result;
  for (const auto& [handle, c] : connections_) result.push_back({handle, c.entryName});
  return result;
}

DialupStatus SimulatedDialupService::status(DialupHandle handle) {
  std::lock_guard lock(mutex_);
  ++statusQueries_;
  auto it = connections_.find(handle);
  if (it == connections_.end()) return DialupStatus{};
  Connection& c = it->second;
  if (c.hangingUp) {
    if (c.queriesLeft <= 0) {
      connections_.erase(it);
      return DialupStatus{};
    }
    --c.queriesLeft;
    return DialupStatus{false, DialupState::Disconnected, DialupOk};
  }
  return DialupStatus{false, c.state, c.error};
}

DialupEntries SimulatedDialupService::readEntries() {
  std::lock_guard lock(mutex_);
  ++entryReads_;
  DialupEntries result;
  if (entriesError_ != DialupOk) {
    result.error = entriesError_;
    return result;
  }
  for (const auto& e : entries_) result.names.push_back(e.first);
  return result;
}

void SimulatedDialupService::setEntriesError(int error) {
  std::lock_guard lock(mutex_);
  entriesError_ = error;
}

int SimulatedDialupService::entryReads() const {
  std::lock_guard lock(mutex_);
  return entryReads_;
}

std::optional<DialupCredentials> SimulatedDialupService::storedCredentials(
    const std::string& entry) {
  std::lock_guard lock(mutex_);
  for (const auto& e : entries_) {
    if (e.first == entry) return e.second;
  }
  return std::nullopt;
}

DialupStart SimulatedDialupService::dial(const DialupRequest& request,
                                         ProgressFunction progress) {
  std::lock_guard lock(mutex_);
  dials_.push_back(request);
  Script script;
  if (!scripts_.empty()) {
    script = scripts_.front();
    scripts_.pop_front();
  } else {
    bool known = false;
    for (const auto& e : entries_) known = known || e.first == request.entryName;
    if (!known) script.startError = DialupNoSuchEntry;
  }
  if (script.startError != DialupOk) return DialupStart{script.startError, kNoDialupHandle};
  DialupHandle handle = nextHandle_++;
  Connection c;
  c.entryName = request.entryName;
  c.hangUpQueries = script.hangUpQueries;
  connections_[handle] = c;
  for (const DialupProgress& p : script.progress) pending_.push_back({handle, p, progress});
  return DialupStart{DialupOk, handle};
}

void SimulatedDialupService::hangUp(DialupHandle handle) {
  std::lock_guard lock(mutex_);
  hangUps_.push_back(handle);
  auto it = connections_.find(handle);
  if (it == connections_.end() || it->second.hangingUp) return;
  it->second.hangingUp = true;
  it->second.queriesLeft = it->second.hangUpQueries;
}

std::string SimulatedDialupService::errorText(int error) {
  {
    std::lock_guard lock(mutex_);
    auto it = errorTexts_.find(error);
    if (it != errorTexts_.end()) return it->second;
  }
  return dialupErrorText(error);
}

}  // namespace karone
