#pragma once
// The certificate check of an FTPS connection, on top of libcurl's: the
// chain is verified against the trusted authorities as usual; when that
// fails, the certificate's verification error, subject and SHA-256
// fingerprint are kept for the message, and a certificate the operator has
// pinned for this host (its fingerprint in the trusted-certificates file)
// is accepted. The host name is checked by libcurl in every case.
//
// The trusted-certificates file holds one line per pin:
// "host:port AA:BB:...", the SHA-256 of the certificate in hex pairs.
//
// Threading: as FtpClient; the check runs inside libcurl's calls.
#include <curl/curl.h>

#include <optional>
#include <string>

#include "platform/FtpClient.h"

namespace karone {

// "AA:BB:..." from "SHA256:AA:BB:..", "aabb..", or "SHA256:<base64>"; ""
// when the text is none of them.
std::string normalCertificateFingerprint(const std::string& text);

class TlsVerification {
 public:
  void reset();
  // Checks the certificates of every TLS connection the handle makes.
  void install(CURL* curl, const std::string& host, int port, const std::string& pinsFile);
  // The certificate that failed the last check, if one did.
  std::optional<ServerIdentity> untrusted() const { return failed_; }
  FtpResult trust(const ServerIdentity& identity);
  // libcurl's failure text with the certificate's reason, subject and
  // fingerprint when the check saw them.
  std::string explain(const std::string& text) const;

  // For the check (called by OpenSSL).
  bool pinned(const std::string& fingerprint) const;
  void failed(ServerIdentity identity) { failed_ = std::move(identity); }
  const std::string& hostName() const { return host_; }

 private:
  std::string host_;
  std::string pinsFile_;
  std::optional<ServerIdentity> failed_;
};

}  // namespace karone
