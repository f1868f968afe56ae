#pragma once
// A private D-Bus bus for one test, standing in for the system bus:
// dbus-daemon with a configuration of its own in a temporary folder,
// listening on a socket there, where anyone may own any name and call
// anything. The machine's own buses are never touched. The daemon ends
// with the object (or earlier through stop(), when a test needs the bus
// to go away).
//
// Used on the test's thread.
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace karone::testing {

class PrivateSystemBus {
 public:
  PrivateSystemBus();
  ~PrivateSystemBus();
  PrivateSystemBus(const PrivateSystemBus&) = delete;
  PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

  bool started() const { return !address_.empty(); }
  const std::string& error() const { return error_; }
  // The address to connect to ("unix:path=...,guid=..."), also what
  // DBUS_SYSTEM_BUS_ADDRESS would hold.
  const std::string& address() const { return address_; }
  const TempDir& dir() const { return dir_; }

  void stop() { process_.stop(); }

 private:
  TempDir dir_;
  ChildProcess process_;
  std::string address_;
  std::string error_;
};

}  // namespace karone::testing
