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
//
// Every value stored in the settings is also written to a second record in
// the state folder, so that a settings file that is lost or damaged does not
// take the number back to 0: at start the record that is ahead wins
// (startFrom). "Ahead" counts modulo 2^32: a value lies ahead of another
// when it follows it by less than half the circle (2^31), so the wrap from
// ffffffff to 0 goes forward. A counter reset stores 0 in both records.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/SettingsStorage.h"

namespace karone {

class RunningNumberKeeper {
 public:
  // Numbers one durable write reserves.
  static constexpr std::uint32_t kDefaultBlock = 32;
  // The second record's file name in the state folder.
  static constexpr const char* kRecordName = "running-number";

  // record: the second record's path; empty: kRecordName in the state folder.
  explicit RunningNumberKeeper(SettingsStorage& storage, std::string record = {});
  // Before `number` is published: makes sure the stored value lies beyond it
  // (storing a reservation durably when the stored one does not cover it).
  // False when it could not be stored: the caller must not publish `number`.
  bool reserve(std::uint32_t number);
  // Stores exactly `next` (orderly exit, the operator's counter reset).
  bool store(std::uint32_t next);
  // The number to go on from at start, given the settings' value: the
  // second record's when it lies ahead (an unreadable or missing record
  // counts as none).
  std::uint32_t startFrom(std::uint32_t fromSettings) const;

  // Whether `a` lies ahead of `b` (see above).
  static bool ahead(std::uint32_t a, std::uint32_t b) { return a != b && a - b < 0x80000000u; }
  // The next number once the server's folder is seen: never one that a strip
  // still there carries or lies behind (the number after the one furthest
  // ahead of `next`); `next` itself when none lies at or ahead of it.
  static std::uint32_t beyondStrips(std::uint32_t next, const std::vector<std::uint32_t>& onServer);

  // Numbers reserved per write (at least 1); for measurements and tests.
  void setBlockSize(std::uint32_t block) { block_ = block == 0 ? 1 : block; }
  std::uint32_t blockSize() const { return block_; }
  // Durable writes made so far.
  int writes() const { return writes_; }

 private:
  bool write(std::uint32_t value);

  SettingsStorage& storage_;
  std::string record_;
  std::uint32_t block_ = kDefaultBlock;
  // Numbers from covered_ up to (not including) stored_ are reserved.
  bool reserved_ = false;
  std::uint32_t coveredFrom_ = 0;
  std::uint32_t stored_ = 0;
  int writes_ = 0;
};

}  // namespace karone
