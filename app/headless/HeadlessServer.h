#pragma once
// karone-server --headless: the run controller without any window, on a
// plain event loop, for machines without a desktop and for running under
// systemd. The same settings, data file, log, uploader, capture pipeline,
// schedules, dial-up link, idle-session check and reconnect countdown as
// the window. It enables the capture device, connects and starts sending
// at once (--no-start: only connects and leaves capture to the schedules).
//
// Every status line also goes to standard output, one line each, in UTF-8.
// Questions the window would ask are answered by a fixed rule, printed as
// the answer (see HeadlessPrompter). SIGTERM and SIGINT run the window's
// exit path (stop capture, stopped page, disconnect, hang up, settings and
// data saved); a second signal ends the program at once.
//
// Exit status: 0 after an orderly exit, 1 when start-up failed (one line
// says why), 2 for a usage error, an unknown profile or an unknown device,
// 3 after an orderly exit while a fault stood that had stopped the
// broadcast or kept it from publishing (the uploads gave up, or the work
// folder could not take a picture).
//
// Runs on the calling thread, which becomes the loop's thread.
#include <ostream>
#include <string>
#include <vector>

namespace karone {

struct HeadlessOptions {
  std::string profile;          // --profile NAME; empty: the line last selected
  std::string device;           // --device NAME; empty: the preferred device
  bool noStart = false;         // --no-start
  bool start = false;           // --start: the window starts the broadcast by itself
  bool preview = false;         // --preview: the window switches the preview on by itself
  int ftpTimeoutSeconds = 15;   // --ftp-timeout S: each FTP reply at most S seconds
  bool help = false;
};

// Parses the program's options (in any order; --headless among them).
// Returns an error text for a usage error, empty when fine.
std::string parseHeadlessOptions(const std::vector<std::string>& args, HeadlessOptions& options);

int runHeadless(const HeadlessOptions& options, std::ostream& out, std::ostream& err);

}  // namespace karone
