#pragma once
// Keeps dwUniqueRunningNum in the settings ahead of every running number
// that is published, so that no crash or power cut ever makes the program or
// a tool publish a number twice. Threads: one thread (the window thread or
// the tool's thread).
//
// Numbers are reserved in blocks: when a number is not covered by what is
// stored, the number after the block that starts with it is stored (one
// atomic write of the settings file, synced to disk), and the next numbers
// of the block cost nothing. A crash therefore skips at most the rest of a
// block, and never reuses a number. Numbers count modulo 2^32: the block
// after ffffffff goes on from 0. A number before the covered block (the
// operator's counter reset back to 0) is simply not covered and reserves a
// block of its own, so the stored value may go back on purpose.
#include <cstdint>

#include "platform/SettingsStorage.h"

namespace karone {

class RunningNumberKeeper {
 public:
  // Numbers one durable write reserves.
  static constexpr std::uint32_t kDefaultBlock = 32;

  explicit RunningNumberKeeper(SettingsStorage& storage);
  // Before `number` is published: makes sure the stored value lies beyond it
  // (storing a reservation durably when the stored one does not cover it).
  // False when it could not be stored: the caller must not publish `number`.
  bool reserve(std::uint32_t number);
  // Stores exactly `next` (orderly exit, the operator's counter reset).
  bool store(std::uint32_t next);

  // Numbers reserved per write (at least 1); for measurements and tests.
  void setBlockSize(std::uint32_t block) { block_ = block == 0 ? 1 : block; }
  std::uint32_t blockSize() const { return block_; }
  // Durable writes made so far.
  int writes() const { return writes_; }

 private:
  bool write(std::uint32_t value);

  SettingsStorage& storage_;
  std::uint32_t block_ = kDefaultBlock;
  // Numbers from covered_ up to (not including) stored_ are reserved.
  bool reserved_ = false;
  std::uint32_t coveredFrom_ = 0;
  std::uint32_t stored_ = 0;
  int writes_ = 0;
};

}  // namespace karone
