#pragma once
// Where the program keeps its files on Linux, from the XDG variables:
//   configDir(): $XDG_CONFIG_HOME/Brenko/Tamblor  (settings, Encoder.conf)
//   dataDir():   $XDG_DATA_HOME/Brenko/Tamblor    (data file, status page copy)
//   stateDir():  $XDG_STATE_HOME/Brenko/Tamblor   (event log, the running
//                number's second record)
//   bufferDir(): $TEMP, else $TMPDIR, else dataDir() (pictures being processed)
// Each XDG variable falls back to its default under $HOME. The folders are
// created on demand (mode 0700) unless MakeFolder::No is asked for (reading
// commands create nothing); every path returned ends with '/'.
//
// Thread-safe: reads the environment at every call.
#include <string>

namespace karone::paths {

enum class MakeFolder { Yes, No };

std::string configDir(MakeFolder make = MakeFolder::Yes);
std::string dataDir(MakeFolder make = MakeFolder::Yes);
std::string stateDir(MakeFolder make = MakeFolder::Yes);
std::string bufferDir(MakeFolder make = MakeFolder::Yes);

// The folder with a '/' at its end; an empty folder stays empty.
std::string withTrailingSlash(std::string folder);

// mkdir -p with the given mode for the folders it creates. False on failure.
bool makeDirectories(const std::string& path, unsigned mode = 0700);

}  // namespace karone::paths
