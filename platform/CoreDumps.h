#pragma once
// The programs hold FTP and dial-up passwords in memory; a core dump would
// write them to disk in clear. switchOffCoreDumps() sets the core size
// limit (soft and hard) to 0 for this process and its children, which the
// kernel and the usual crash collectors honour. With
// KARONE_ALLOW_CORE_DUMPS=1 in the environment the limits are left as they
// are, for debugging a crash.
//
// Call first thing in main(), before any thread starts.
namespace karone {

inline constexpr const char* kAllowCoreDumpsVariable = "KARONE_ALLOW_CORE_DUMPS";

// True when core dumps are off now.
bool switchOffCoreDumps();

}  // namespace karone
