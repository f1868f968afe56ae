#pragma once
// SFTP on libcurl (libssh2): one SSH connection kept from one request to
// the next, as the FTP control connection is.
//
// - The server's host key is checked as OpenSSH checks it, against the
//   user's ~/.ssh/known_hosts and the program's own known-hosts file,
//   before anything else is sent. An unknown key fails with HostUnknown, a
//   key that differs from the one held fails with HostChanged; neither is
//   ever accepted here (trustServer adds an unknown one to our own file).
// - With a password in the profile, password and keyboard-interactive
//   log-in. Without one, keys as OpenSSH finds them: the agent
//   (SSH_AUTH_SOCK), then ~/.ssh/id_ed25519, id_ecdsa and id_rsa, or only
//   the profile's own key file. Each way is tried on a connection of its
//   own (libcurl takes one key file per connection). A key protected by a
//   passphrase is not tried: the agent must hold it. A refused log-in says
//   which methods the server offered and which were tried.
// - Deletions and renames are SFTP requests on the same connection. The
//   server's rename (SFTP version 3, as libssh2 speaks it) does not replace
//   an existing file, so a page is replaced by delete and rename, as on FTP.
// - Listings come from the server's long names (the form of `ls -l`).
#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/curl/CurlConnection.h"
#include "platform/curl/CurlFtpClient.h"

namespace karone {

std::unique_ptr<CurlConnection> makeCurlSftpConnection(const CurlFtpOptions& options,
                                                    const std::atomic<std::int64_t>& deadline);

// Whether a private key file is protected by a passphrase (OpenSSH's own
// format or PEM). False when the file cannot be read.
bool keyFileNeedsPassphrase(const std::string& path);

}  // namespace karone
