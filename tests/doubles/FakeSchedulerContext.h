#pragma once
// What the scheduler dialogs need, for tests: a data store of its own
// (in memory, or on a file when given a path and loaded), a fake clock, a
// recording prompter, the running schedule's name, the dial-up use of
// profiles (as the store says) and the device's input types, all set by
// the test.
//
// Window thread only, as the dialogs.
#include <optional>
#include <string>
#include <vector>

#include "schedule/DataStore.h"
#include "schedule/SchedulerContext.h"
#include "tests/doubles/FakeClock.h"
#include "tests/doubles/RecordingPrompter.h"

namespace karone {

class FakeSchedulerContext final : public SchedulerContext {
 public:
  explicit FakeSchedulerContext(Seconds now, const std::string& storePath = "/nonexistent/EncData.zrd")
      : clock_(now), store_(storePath, &prompter_, clock_) {}

  DataStore& dataStore() override { return store_; }
  std::optional<std::string> runningScheduleName() override { return running; }
  bool profileUsesDialup(const std::string& profileName) override {
    ProfileInfo profile;
    return store_.findProfile(profileName, profile) && profile.useDialup != 0;
  }
  std::vector<int> videoInputTypes() override { return inputTypes; }
  const Clock& clock() override { return clock_; }
  Prompter& prompter() override { return prompter_; }

  FakeClock& fakeClock() { return clock_; }
  RecordingPrompter& recordingPrompter() { return prompter_; }

  std::optional<std::string> running;
  std::vector<int> inputTypes{1, 2, 3};

 private:
  FakeClock clock_;
  RecordingPrompter prompter_;
  DataStore store_;
};

}  // namespace karone
