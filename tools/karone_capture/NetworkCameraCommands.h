#pragma once
// karone-capture's commands for network cameras, kept in the settings file:
//
//   karone-capture add NAME URL [--user USER] [--password-stdin]
//   karone-capture remove NAME
//
// The password is read from the first line of standard input, never from
// the command line, and is never printed. Exit status: 0 done, 1 the name
// is taken or unknown or the settings cannot be written, 2 usage errors.
//
// Runs on the tool's main thread.
#include <optional>

namespace karone {

class SettingsStorage;

// nullopt when argv is not one of these commands.
std::optional<int> runNetworkCameraCommand(int argc, char** argv, SettingsStorage& storage);

}  // namespace karone
