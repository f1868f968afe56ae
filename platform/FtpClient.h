#pragma once
// The FTP client the uploader talks through: one session, at most one
// connection, and the handful of operations the uploader needs (log in,
// current directory, put a file, delete, rename, list the current directory,
// the server's last reply). Nothing more.
//
// Threading: an FtpClient is not thread-safe. It is driven by one thread at
// a time: the uploader's worker thread, or the user-interface thread while
// the worker is idle (the session check and the stopped status page at
// exit). isConnected() and setDeadlineIn() alone may be called from any thread
// at any time.
//
// Errors are values: no operation throws. Every operation that talks to the
// server is bounded by the connect and server-response time-outs of the
// backend, so a server that stops answering turns into a failure, never a
// hang.
//
// Addresses: a plain host name (or "ftp://host") is plain FTP; "ftps://host"
// is FTP over explicit TLS with the server's certificate verified, and never
// falls back to plain FTP; "sftp://host" is SFTP over SSH with the server's
// host key verified. The protocol is the backend's business: the same
// operations keep the same promises on each.
//
// Remote names given to putFile, getFile, deleteFile and renameFile are names
// in the session's current directory (as set by setCurrentDirectory), not
// paths. No text with CR, LF or NUL ever reaches the server (BadText): not
// in a name, a directory, the user ID or the password.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace karone {

// Why an operation failed.
enum class FtpError : int {
  None = 0,
  NotConnected = 1,     // no connection (connect first)
  NoSession = 2,        // openSession was not called or failed
  BadAddress = 3,       // address could not be used (empty, bad scheme, bad port)
  ConnectFailed = 4,    // host unreachable, refused, DNS failure
  LoginFailed = 5,      // the server refused the user or password
  TlsFailed = 6,        // TLS refused by the server, or the certificate not trusted
  Timeout = 7,          // the server did not answer in time
  ConnectionLost = 8,   // the server closed the connection
  Refused = 9,          // the server answered the command with an error reply
  NotFound = 10,        // no such file or directory
  LocalFile = 11,       // the local file could not be read
  Protocol = 12,        // the server's answer could not be understood
  Internal = 13,        // anything else (out of memory, library failure)
  BadText = 14,         // a name, directory, user or password holding a line
                        // break or NUL: sent, it would end the command and
                        // start another, so it is never sent
  HostUnknown = 15,     // the server's key (or certificate) is trusted by
                        // nothing yet: see untrustedServer()
  HostChanged = 16,     // the server shows another key than the one trusted
                        // for it: refused before anything was sent
};

struct FtpResult {
  FtpError error = FtpError::None;
  int reply = 0;     // the server's reply code of the failed command, 0 when none
  std::string text;  // one line saying what failed (empty on success)

  bool ok() const { return error == FtpError::None; }
  explicit operator bool() const { return ok(); }
  // The number to show an operator for a failure: the server's reply code
  // when there is one (550, 452...), else 12000 + the error kind. 0 on success.
  int code() const { return ok() ? 0 : (reply != 0 ? reply : 12000 + static_cast<int>(error)); }

  static FtpResult success() { return {}; }
  static FtpResult failure(FtpError error, std::string text, int reply = 0) {
    return FtpResult{error, reply, std::move(text)};
  }
};

enum class FtpTransferMode { Binary, Ascii };

// Attribute words of a listing entry.
inline constexpr std::uint32_t kFtpAttributeDirectory = 16;
inline constexpr std::uint32_t kFtpAttributeNormal = 128;      // a plain file
inline constexpr std::uint32_t kFtpAttributeSymlink = 0x400;   // a link (target unknown)

// A listing's last-write time as the server wrote it (no time-zone
// conversion). year is the full year; when the listing gives no year (recent
// files in a Unix listing), the year is inferred as the most recent year that
// does not put the date more than a day in the future. Fields are 0 when the
// listing gave no date that could be read.
struct FtpFileTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

struct FtpFileEntry {
  std::string name;  // as listed; may hold any bytes but '\0'
  std::uint32_t attributes = kFtpAttributeNormal;
  std::uint32_t sizeLow = 0;   // low 32 bits of the size in bytes
  std::uint32_t sizeHigh = 0;  // high 32 bits
  FtpFileTime lastWrite;

  std::uint64_t size() const { return (std::uint64_t{sizeHigh} << 32) | sizeLow; }
};

// What a server showed when it could not be trusted: an SSH host key that
// no known-hosts file holds (or that differs from the one held), or a TLS
// certificate that no trusted authority signed.
struct ServerIdentity {
  std::string host;         // as it is stored: "host", "[host]:port", "host:port"
  std::string kind;         // "ssh-ed25519", "ecdsa-sha2-nistp256", ..., "TLS"
  std::string fingerprint;  // "SHA256:..." for a key, hex pairs for a certificate
  std::string subject;      // a certificate's subject ("" for a key)
  std::string reason;       // why it is not trusted (the verification error)
  std::string knownFingerprint;  // the trusted one when the key has changed

  bool changed() const { return !knownFingerprint.empty(); }
};

struct FtpConnectParams {
  std::string address;  // host, "ftp://host" or "ftps://host"
  std::uint16_t port = 21;
  std::string user;
  std::string password;
  bool passive = true;  // false = active mode (the server connects back)
  std::string keyFile;  // SFTP: the private key to log in with ("" = the usual ones)
};

class FtpClient {
 public:
  virtual ~FtpClient() = default;

  // Opens the client session with the given agent name ("TamblorFTP").
  // Needed once before connect; a failed session makes every connect fail.
  virtual FtpResult openSession(const std::string& agent) = 0;

  // Connects and logs in. On success the client is connected and the
  // current directory is the one the server put us in. A connection that
  // exists is closed first.
  virtual FtpResult connect(const FtpConnectParams& params) = 0;

  // True while a connection exists (from a successful connect until
  // disconnect). It says nothing about whether the server still answers:
  // a session check must list the directory.
  virtual bool isConnected() const = 0;

  // The session's current directory (an absolute path, "/" at the top).
  virtual FtpResult currentDirectory(std::string& directory) = 0;

  // Changes the current directory: an absolute path, a name relative to the
  // current directory, or "..". Fails, leaving the current directory as it
  // was, when the server has no such directory.
  virtual FtpResult setCurrentDirectory(const std::string& directory) = 0;

  // Stores a local file under a name in the current directory, replacing
  // any file of that name. The mode says how the caller means the file; a
  // backend stores the bytes so that the file on the server is byte for byte
  // the local one in both modes (the libcurl backend sends both as TYPE I,
  // since servers disagree about line ends in ASCII transfers).
  virtual FtpResult putFile(const std::string& localPath, const std::string& remoteName,
                            FtpTransferMode mode) = 0;

  // Reads a file of the current directory into `bytes`; a file larger than
  // maxBytes fails (Refused) and leaves bytes empty. A backend that cannot
  // fetch files fails with Internal.
  virtual FtpResult getFile(const std::string& remoteName, std::string& bytes,
                            std::size_t maxBytes) {
    (void)remoteName;
    (void)maxBytes;
    bytes.clear();
    return FtpResult::failure(FtpError::Internal, "this client cannot fetch files");
  }

  virtual FtpResult deleteFile(const std::string& remoteName) = 0;
  virtual FtpResult renameFile(const std::string& from, const std::string& to) = 0;

  // Lists the current directory, re-read from the server every time. An
  // empty directory succeeds with no entries; "." and ".." are left out.
  // A failure leaves entries empty.
  virtual FtpResult listDirectory(std::vector<FtpFileEntry>& entries) = 0;

  // After a connect that failed with HostUnknown, HostChanged or TlsFailed:
  // what the server showed, when the backend could see it (nothing
  // otherwise).
  virtual std::optional<ServerIdentity> untrustedServer() const { return std::nullopt; }

  // Trusts from now on the identity the last connect saw, if it is the one
  // given (same host, same fingerprint). A changed key is never trusted
  // this way. Backends without a trust store fail with Internal.
  virtual FtpResult trustServer(const ServerIdentity& identity) {
    (void)identity;
    return FtpResult::failure(FtpError::Internal, "this client keeps no trusted servers");
  }

  // The server's last reply (code and text) as received, "" when none yet.
  virtual std::string lastResponseText() const = 0;

  // Closes the connection (no error when there is none). The session stays
  // open for the next connect.
  virtual void disconnect() = 0;

  // Closes the connection and the session.
  virtual void closeSession() = 0;

  // One budget for whatever is left to do with the server (the orderly
  // exit): from now on every operation, the one under way included, ends
  // within `millis` of this call in all, whatever the server does; once the
  // budget is spent each fails at once with Timeout. disconnect() is not
  // bound by it (it says QUIT with a short wait of its own). Any thread. A
  // backend that cannot cut an operation short ignores it.
  virtual void setDeadlineIn(std::int64_t millis) { (void)millis; }
};

}  // namespace karone
