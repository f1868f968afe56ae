#pragma once
// An FtpClient for tests: an in-memory FTP server with directories and
// files, a transcript of every call made, and failures that a test injects
// per operation. Files are stored byte for byte as put (both modes); the
// transcript records the mode.
//
// Thread-safe: the uploader's worker drives it while the test thread
// inspects the tree and the transcript, so every member takes one lock.
//
// Transcript lines (one per call, in call order):
//   "open TamblorFTP"            "connect HOST PORT USER passive|active"
//   "pwd"   "cd DIR"   "put NAME binary|ascii"   "get NAME"   "delete NAME"
//   "rename FROM TO"   "list"   "disconnect"   "close"
// Texts with CR, LF or NUL (names, directories, user, password) fail with
// BadText, as the real client refuses to send them.
// A call is recorded whether it succeeds or fails; isConnected and
// lastResponseText are not recorded.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/FtpClient.h"
#include "tests/doubles/FakeClock.h"

namespace karone {

enum class FtpOperation { OpenSession, Connect, Pwd, Cd, Put, Delete, Rename, List, Get };

class FakeFtpClient final : public FtpClient {
 public:
  // The directory the server puts a new login in ("/" by default); it is
  // created when missing.
  explicit FakeFtpClient(std::string entryDirectory = "/");

  // FtpClient
  FtpResult openSession(const std::string& agent) override;
  FtpResult connect(const FtpConnectParams& params) override;
  bool isConnected() const override;
  FtpResult currentDirectory(std::string& directory) override;
  FtpResult setCurrentDirectory(const std::string& directory) override;
  FtpResult putFile(const std::string& localPath, const std::string& remoteName,
                    FtpTransferMode mode) override;
  FtpResult getFile(const std::string& remoteName, std::string& bytes,
                    std::size_t maxBytes) override;
  FtpResult deleteFile(const std::string& remoteName) override;
  FtpResult renameFile(const std::string& from, const std::string& to) override;
  FtpResult listDirectory(std::vector<FtpFileEntry>& entries) override;
  std::string lastResponseText() const override;
  void disconnect() override;
  void closeSession() override;
  // Honoured on the clock given to freeze (no clock: ignored).
  void setDeadlineIn(std::int64_t millis) override;

  // --- The server's tree (absolute paths; parents are created as needed) ---
  void addDirectory(const std::string& path);
  void addFile(const std::string& path, const std::string& bytes = {},
               std::uint32_t attributes = kFtpAttributeNormal, FtpFileTime time = {});
  // An entry that shows in listings of its folder as given (any attribute
  // word, any name, even one with '/' or control characters).
  void addListingEntry(const std::string& directory, const FtpFileEntry& entry);
  bool exists(const std::string& path) const;
  std::optional<std::string> fileContent(const std::string& path) const;
  // Names of the files and folders directly in a folder, sorted.
  std::vector<std::string> namesIn(const std::string& directory) const;
  std::string cwd() const;  // the session's directory (even when disconnected)

  // --- Credentials: when set, connect fails with LoginFailed for others ---
  void requireLogin(const std::string& user, const std::string& password);

  // --- Failures ---
  // The nth call (1 = the next one) of the operation from now on fails
  // with the result given; calls are counted whether they fail or not.
  void failNth(FtpOperation operation, int nth, FtpResult result);
  // Every call of the operation fails until clearFailures().
  void failAlways(FtpOperation operation, FtpResult result);
  // The nth put from now on stores only the first `keep` bytes of the file
  // and then fails with the result given (a full disk does this).
  void partialPutNth(int nth, std::size_t keep, FtpResult result);
  void clearFailures();
  // The server goes away: the connection handle stays (isConnected() is
  // still true) but every operation fails with ConnectionLost until the
  // next successful connect. With refuseReconnect, connect fails too
  // (ConnectFailed) until serverBack().
  void dropConnection(bool refuseReconnect = false);
  void serverBack();
  // The server stops answering: from now on every call that talks to it
  // (connect too) lets `replyMillis` pass on `clock` (less when the deadline
  // set with setDeadlineIn comes first, none once it has passed) and fails
  // with Timeout.
  void freeze(FakeClock& clock, std::int64_t replyMillis);
  // Called at the start of every recorded call with the transcript line
  // (outside the lock), e.g. to let a test act in the middle of a sequence.
  void onCall(std::function<void(const std::string&)> hook);

  // --- What happened ---
  std::vector<std::string> transcript() const;
  void clearTranscript();
  int connectCount() const;  // successful connects so far
  std::optional<FtpConnectParams> lastConnect() const;

 private:
  struct Node {
    bool directory = false;
    std::string bytes;
    std::uint32_t attributes = kFtpAttributeNormal;
    FtpFileTime time;
  };
  struct Failure {
    int remaining = 0;  // calls to let pass before failing; -1 = always
    FtpResult result;
    long long keep = -1;  // put: bytes stored before failing (-1: none)
  };

  // Records the call and decides on injected failures; returns a failure
  // to report, or nullopt to go on. Takes the lock itself.
  std::optional<FtpResult> begin(FtpOperation operation, const std::string& line,
                                 bool needsConnection, long long* keep = nullptr);
  std::string resolveLocked(const std::string& name) const;
  void addDirectoryLocked(const std::string& path);
  FtpResult replyLocked(int code, const std::string& text);
  FtpResult failLocked(FtpError error, int code, const std::string& text);

  mutable std::mutex mutex_;
  std::map<std::string, Node> nodes_;  // by absolute path, "/" is the root
  std::multimap<std::string, FtpFileEntry> extraEntries_;  // by folder
  std::string entryDirectory_;
  std::string cwd_;
  bool session_ = false;
  bool connected_ = false;
  bool dropped_ = false;
  bool refuseConnect_ = false;
  std::optional<std::pair<std::string, std::string>> credentials_;
  std::multimap<FtpOperation, Failure> failures_;
  std::function<void(const std::string&)> hook_;
  std::vector<std::string> transcript_;
  std::string lastResponse_;
  int connects_ = 0;
  std::optional<FtpConnectParams> lastConnect_;
  FakeClock* clock_ = nullptr;
  std::int64_t replyMillis_ = -1;  // frozen when >= 0
  std::optional<std::int64_t> deadline_;
};

}  // namespace karone
