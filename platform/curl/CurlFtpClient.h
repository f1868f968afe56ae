#pragma once
// The FtpClient on libcurl: one easy handle and one multi handle per
// connection, so the control connection is kept and reused from one
// operation to the next.
//
// The protocol follows the address: FTP and FTPS in CurlFtpConnection,
// SFTP in CurlSftpConnection; this class checks what it is given and keeps
// the session's current directory, which is our own state: it starts as the
// directory the server logged us into and every request names absolute
// paths, so nothing depends on the server's idea of the current directory.
//
// FTP, and why:
// - Directory changes, deletions and renames are raw commands marked as
//   allowed to fail ("*" prefix): a failing command then leaves the control
//   connection up, and we read its reply ourselves. Every command is run
//   once: the command list is taken off the handle after each request.
// - A request that fails because the server had already closed the idle
//   connection (a "421" waiting unread, or the connection found closed) is
//   run once more on a fresh login before it counts as a failure.
// - Listings use libcurl's own parser (wildcard matching on "*", no file
//   is downloaded), which reads Unix and MS-DOS listings; the date is read
//   from the entry's text form. An empty directory lists as empty, a
//   missing one fails.
// - Files are always sent as TYPE I, in both transfer modes: the bytes
//   arrive on the server exactly as they are in the local file. Servers do
//   not agree on ASCII transfers (one turns CRLF back into LF, another
//   stores the CRs), and our text files already have the line ends they
//   must have on the server.
// - "ftps://host" is FTP with explicit TLS (AUTH TLS) on control and data
//   connections, the certificate and host name verified; there is no
//   fall-back to plain FTP. The trusted authorities are the system's unless
//   caFile is given or the environment names others as the curl command
//   reads it (tlsTrustFor), so a private authority can be trusted; a
//   certificate pinned by the operator is trusted for its host
//   (TlsVerification). A failed verification says why, with the
//   certificate's subject and fingerprint. Active mode lets the system pick
//   the address and port (EPRT, then PORT); passive mode tries EPSV, then
//   PASV.
// - Requests are driven by our own loop on the multi handle (CurlSession).
// - Every request is bounded: connect time-out, server-response time-out
//   (also for stalled data transfers) and an overall cap per request; and,
//   once setDeadlineIn has been called, by what is left of that budget.
//
// SFTP: see CurlSftpConnection.h.
//
// Threading: as FtpClient (one thread at a time; isConnected from any).
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/FtpClient.h"

namespace karone {

struct CurlFtpOptions {
  long connectTimeoutMs = 15000;   // TCP (and TLS) connect and the greeting
  long responseTimeoutMs = 30000;  // any one reply, and data stalls
  long requestTimeoutMs = 120000;  // whole request, 0 = no cap
  std::string caFile;              // trusted CAs for ftps ("" = see tlsTrustFor)
  const Clock* clock = nullptr;    // for the year of listing dates (system clock)
  std::string homeFolder;          // SFTP: where .ssh is ("" = $HOME)
  std::string knownHostsFile;      // SFTP: our own ("" = known_hosts in the data folder)
  std::string certificatePinsFile; // FTPS: pinned certificates ("" = in the data folder)
};

std::string resolvedKnownHostsFile(const CurlFtpOptions& options);
std::string resolvedCertificatePinsFile(const CurlFtpOptions& options);

// The authorities trusted for ftps. An explicit caFile is used alone.
// Otherwise CURL_CA_BUNDLE names the file; without it SSL_CERT_FILE names
// the file and SSL_CERT_DIR a folder of hashed certificates (both may be
// set). An empty variable counts as unset; with nothing set both stay
// empty and libcurl uses the system's store.
struct TlsTrust {
  std::string caFile;
  std::string caPath;
  bool operator==(const TlsTrust&) const = default;
};
TlsTrust tlsTrustFor(const std::string& caFile,
                     const std::function<const char*(const char*)>& getenv);

class CurlFtpClient final : public FtpClient {
 public:
  explicit CurlFtpClient(CurlFtpOptions options = {});
  ~CurlFtpClient() override;
  CurlFtpClient(const CurlFtpClient&) = delete;
  CurlFtpClient& operator=(const CurlFtpClient&) = delete;

  FtpResult openSession(const std::string& agent) override;
  FtpResult connect(const FtpConnectParams& params) override;
  bool isConnected() const override { return connected_.load(); }
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
  std::optional<ServerIdentity> untrustedServer() const override;
  FtpResult trustServer(const ServerIdentity& identity) override;
  void disconnect() override;
  void closeSession() override;
  void setDeadlineIn(std::int64_t millis) override;

  // Commands sent and logins made on the current connection's handle since
  // connect (for tests and benchmarks).
  int commandsSent() const;
  int loginsMade() const;

  struct Impl;

 private:
  FtpResult checked(const std::string& name, const char* what) const;

  std::unique_ptr<Impl> impl_;
  std::atomic<bool> connected_{false};
};

}  // namespace karone
