#pragma once
// What the scheduler dialogs need of the program around them: the data
// store they edit directly, the running scheduled session (for the
// "進行中..." status), whether a profile uses dial-up, the video inputs of
// the current capture device, the clock and the operator.
//
// Threads: window thread only.
#include <optional>
#include <string>
#include <vector>

namespace karone {

class Clock;
class DataStore;
class Prompter;

class SchedulerContext {
 public:
  virtual ~SchedulerContext() = default;
  virtual DataStore& dataStore() = 0;
  // The name of the schedule whose session runs now, if one does.
  virtual std::optional<std::string> runningScheduleName() = 0;
  // False when there is no such profile.
  virtual bool profileUsesDialup(const std::string& profileName) = 0;
  // Connector types of the current device's video inputs, in input order.
  virtual std::vector<int> videoInputTypes() = 0;
  virtual const Clock& clock() = 0;
  virtual Prompter& prompter() = 0;
};

}  // namespace karone
