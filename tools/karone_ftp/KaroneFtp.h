#pragma once
// karone-ftp: an operator's tool that drives the uploader with a stored FTP
// profile, without the window.
//   karone-ftp check PROFILE        connect, enter the folder, list, print counts
//   karone-ftp clean PROFILE        delete every buffer file (motion and still)
//   karone-ftp send PROFILE [--keep N] [--end] JPEG...
//                                   publish the pictures as consecutive strips
//                                   from the stored running number, with the
//                                   status page and rotation of a motion run;
//                                   the running number is stored ahead of
//                                   every strip (RunningNumberKeeper) and
//                                   exactly at the end; --end then ends the
//                                   session as the program does.
//   karone-ftp trust-host PROFILE [--fingerprint SHA256:...]
//                                   show the server's host key (SFTP) or
//                                   certificate (FTPS) and trust it: asked
//                                   on a terminal, or only when the server
//                                   shows the fingerprint given
//   karone-ftp [COMMAND] --help     what the tool or the command does
// Options may come anywhere; "--" ends them. It reads the program's data
// file (never changing it) and, to send, the settings, made complete first
// as the program does at start. It prints every event-log line on stdout as
// it happens, and exits 0 on success, 1 on a failure reported in one line on
// stderr (a status page that could not be published is one: the run stops
// there and the server keeps the page it had), 2 on a usage error.
//
// Runs on the caller's thread (the uploader's worker does the FTP work).
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/FtpClient.h"

namespace karone {

struct KaroneFtpSetup {
  std::string dataFile;      // "" = the program's data file
  std::string settingsFile;  // "" = the program's settings file
  Sleeper* sleeper = nullptr;  // waits of the uploader (the system's when null)
  // Where install-viewer finds the viewer page's files ("" = the web/
  // folder of the programs' own files, platform/Installation.h).
  std::string viewerFolder;
  // The answer to trust-host's question ("" = read a line from the
  // terminal; without a terminal nothing is trusted).
  std::function<std::string()> readAnswer;
  // The profile's own key file (SFTP), from the settings.
  std::function<std::string(const std::string& profile)> keyFileOf;
};

struct ProfileInfo;
// trust-host, once the profile is found.
int runTrustHost(const ProfileInfo& profile, FtpClient& client, const std::string& fingerprint,
                 std::ostream& out, std::ostream& err, const KaroneFtpSetup& setup);

// The files of the viewer page, in the order they are uploaded (the page
// last, so that it never loads without its script and style).
std::vector<std::string> viewerFiles();

int runKaroneFtp(const std::vector<std::string>& args, FtpClient& client, std::ostream& out,
                 std::ostream& err, const KaroneFtpSetup& setup = {});

}  // namespace karone
