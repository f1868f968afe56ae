#pragma once
// Reads the directory listing libcurl hands over for SFTP: one line per
// entry as the server's long name gives it, in the form of `ls -l`
// ("-rw-r--r--    1 user     group        1234 Dec  8 04:06 name", a link
// with " -> target" after its name). Lines that do not have that form are
// left out; "." and ".." too. Pure function, any thread.
#include <string_view>
#include <vector>

#include "platform/Clock.h"
#include "platform/FtpClient.h"

namespace karone {

std::vector<FtpFileEntry> parseSftpListing(std::string_view text, Seconds now);

}  // namespace karone
