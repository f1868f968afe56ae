#pragma once
// Keeps dwUniqueRunningNum in the settings ahead of every running number
// that is published, so that no crash or power cut ever makes the program or
// a tool publish a number twice. Threads: one thread (the window thread or
// the tool's thread).
#include <cstdint>

#include "platform/SettingsStorage.h"

namespace karone {

class RunningNumberKeeper {
 public:
  explicit RunningNumberKeeper(SettingsStorage& storage);
  // Before `number` is published: makes sure the stored value lies beyond it
  // (storing a reservation durably when the stored one does not cover it).
  // False when it could not be stored: the caller must not publish `number`.
  bool reserve(std::uint32_t number);
  // Stores exactly `next` (orderly exit, the operator's counter reset).
  bool store(std::uint32_t next);

 private:
  SettingsStorage& storage_;
};

}  // namespace karone
