#include "tests/support/networkmanager/PrivateSystemBus.h"

#include <chrono>
#include <sstream>
#include <thread>

namespace karone::testing {

PrivateSystemBus::PrivateSystemBus() {
  std::string config =
      "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
      " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
      "<busconfig>\n"
      "  <listen>unix:path=" + dir_.file("bus") + "</listen>\n"
      "  <auth>EXTERNAL</auth>\n"
      "  <policy context=\"default\">\n"
      "    <allow user=\"*\"/>\n"
      "    <allow own=\"*\"/>\n"
      "    <allow send_type=\"method_call\"/>\n"
      "    <allow send_type=\"signal\"/>\n"
      "    <allow send_type=\"method_return\"/>\n"
      "    <allow send_type=\"error\"/>\n"
      "    <allow receive_type=\"method_call\"/>\n"
      "    <allow receive_type=\"signal\"/>\n"
      "    <allow receive_type=\"method_return\"/>\n"
      "    <allow receive_type=\"error\"/>\n"
      "  </policy>\n"
      "</busconfig>\n";
  writeFile(dir_.file("bus.conf"), config);
  std::string log = dir_.file("bus.log");
  if (!process_.start({"/usr/bin/dbus-daemon", "--config-file=" + dir_.file("bus.conf"),
                       "--nofork", "--nopidfile", "--nosyslog", "--print-address=1"},
                      log)) {
    error_ = process_.error();
    return;
  }
  // The daemon prints its address once it listens (its warnings go to the
  // same log, so look for the address line).
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline && process_.running()) {
    std::istringstream lines(readFile(log));
    std::string line;
    while (std::getline(lines, line) && !lines.eof()) {
      if (line.rfind("unix:", 0) == 0) {
        address_ = line;
        return;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  error_ = "dbus-daemon did not start: " + readFile(log);
  process_.stop();
}

PrivateSystemBus::~PrivateSystemBus() { process_.stop(); }

}  // namespace karone::testing
