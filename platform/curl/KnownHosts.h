#pragma once
// SSH host keys as OpenSSH keeps and shows them: known-hosts files (plain,
// wildcard and hashed host names, "@revoked" lines), the name a host is
// stored under ("host" on port 22, "[host]:port" otherwise) and the key's
// fingerprint as `ssh-keygen -l` prints it ("SHA256:" and the unpadded
// base64 of the SHA-256 of the key blob).
//
// Pure functions, any thread; appendKnownHost writes a file atomically.
#include <string>
#include <vector>

namespace karone {

std::string base64Encode(const std::string& bytes, bool pad = true);
// Empty when the text is not base64.
std::string base64Decode(const std::string& text);
std::string sha256(const std::string& bytes);

// "SHA256:..." of a key blob (the key in SSH wire format).
std::string sshFingerprint(const std::string& blob);
// The key type a blob names ("ssh-ed25519"), "" when it names none.
std::string sshKeyType(const std::string& blob);

// The name a host is stored under: "host" on port 22, "[host]:port"
// otherwise (the host without brackets).
std::string knownHostName(std::string host, int port);

enum class HostKeyMatch { Trusted, Unknown, Changed, Revoked };

struct HostKeyCheck {
  HostKeyMatch match = HostKeyMatch::Unknown;
  std::string knownFingerprint;  // the key held for the host, when Changed
};

// Checks a host's key against the text of known-hosts files. A key listed
// for the host is trusted; another key of the same type listed for it means
// the key has changed; a host known only by keys of other types is unknown
// (the server may hold several keys), as is a host that is not listed.
HostKeyCheck checkHostKey(const std::vector<std::string>& knownHostsTexts,
                          const std::string& hostName, const std::string& blob);

// One known-hosts line for the key ("name type base64").
std::string knownHostLine(const std::string& hostName, const std::string& blob);

// Adds a line to a known-hosts file (made with its folder when missing),
// keeping every line it had. False with the reason in error when it cannot.
bool appendKnownHost(const std::string& file, const std::string& line, std::string& error);

// The text of a file, "" when it cannot be read.
std::string readTextFile(const std::string& path);

}  // namespace karone
