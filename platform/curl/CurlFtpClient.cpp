#include "platform/curl/CurlFtpClient.h"

#include <algorithm>

#include "platform/FtpPath.h"
#include "platform/Paths.h"
#include "platform/curl/CurlConnection.h"
#include "platform/curl/CurlFtpConnection.h"
#include "platform/curl/CurlSftpConnection.h"

namespace karone {

TlsTrust tlsTrustFor(const std::string& caFile,
                     const std::function<const char*(const char*)>& getenv) {
  if (!caFile.empty()) return {caFile, {}};
  auto variable = [&](const char* name) {
    const char* value = getenv(name);
    return std::string(value ? value : "");
  };
  if (std::string bundle = variable("CURL_CA_BUNDLE"); !bundle.empty()) return {bundle, {}};
  return {variable("SSL_CERT_FILE"), variable("SSL_CERT_DIR")};
}

std::string resolvedKnownHostsFile(const CurlFtpOptions& options) {
  return options.knownHostsFile.empty() ? paths::dataDir(paths::MakeFolder::No) + "/known_hosts"
                                        : options.knownHostsFile;
}

std::string resolvedCertificatePinsFile(const CurlFtpOptions& options) {
  return options.certificatePinsFile.empty()
             ? paths::dataDir(paths::MakeFolder::No) + "/trusted_certificates"
             : options.certificatePinsFile;
}

struct CurlFtpClient::Impl {
  explicit Impl(CurlFtpOptions o) : options(std::move(o)) {}

  CurlFtpOptions options;
  bool session = false;
  std::unique_ptr<CurlConnection> connection;
  // The last connection tried, kept after a failed connect for what it saw.
  std::unique_ptr<CurlConnection> lastTried;
  std::string cwd = "/";
  // The exit's budget, shared with the connections (see setDeadlineIn).
  std::atomic<std::int64_t> deadline{CurlSession::kNoDeadline};
};

CurlFtpClient::CurlFtpClient(CurlFtpOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

CurlFtpClient::~CurlFtpClient() { closeSession(); }

FtpResult CurlFtpClient::openSession(const std::string&) {
  curlGlobalInit();
  impl_->session = true;
  return FtpResult::success();
}

FtpResult CurlFtpClient::connect(const FtpConnectParams& params) {
  disconnect();
  Impl& d = *impl_;
  d.lastTried.reset();
  d.connection.reset();
  if (!d.session) return FtpResult::failure(FtpError::NoSession, "no FTP session open");
  if (holdsLineBreak(params.address)) return unsafeText("server address");
  if (holdsLineBreak(params.user)) return unsafeText("user ID");
  if (holdsLineBreak(params.password)) return unsafeText("password");
  const ServerAddress address = parseServerAddress(params.address);
  if (!address.error.empty()) return FtpResult::failure(FtpError::BadAddress, address.error);
  if (params.port == 0) return FtpResult::failure(FtpError::BadAddress, "port 0");
  auto connection = address.scheme == ServerScheme::Sftp
                        ? makeCurlSftpConnection(d.options, d.deadline)
                        : makeCurlFtpConnection(d.options, d.deadline);
  std::string home;
  FtpResult r = connection->connect(params, address, home);
  if (!r.ok()) {
    d.lastTried = std::move(connection);
    return r;
  }
  d.connection = std::move(connection);
  d.cwd = home;
  connected_ = true;
  return FtpResult::success();
}

FtpResult CurlFtpClient::checked(const std::string& name, const char* what) const {
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  if (unsafeName(name)) return unsafeText(what);
  return FtpResult::success();
}

FtpResult CurlFtpClient::currentDirectory(std::string& directory) {
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  directory = impl_->cwd;
  return FtpResult::success();
}

FtpResult CurlFtpClient::setCurrentDirectory(const std::string& directory) {
  if (FtpResult r = checked(directory, "directory name"); !r.ok()) return r;
  const std::string target = joinFtpPath(impl_->cwd, directory);
  FtpResult r = impl_->connection->checkDirectory(target);
  if (r.ok()) impl_->cwd = target;
  return r;
}

FtpResult CurlFtpClient::putFile(const std::string& localPath, const std::string& remoteName,
                                 FtpTransferMode) {
  if (FtpResult r = checked(remoteName, "file name"); !r.ok()) return r;
  return impl_->connection->put(localPath, joinFtpPath(impl_->cwd, remoteName));
}

FtpResult CurlFtpClient::getFile(const std::string& remoteName, std::string& bytes,
                                 std::size_t maxBytes) {
  bytes.clear();
  if (FtpResult r = checked(remoteName, "file name"); !r.ok()) return r;
  return impl_->connection->get(joinFtpPath(impl_->cwd, remoteName), bytes, maxBytes);
}

FtpResult CurlFtpClient::deleteFile(const std::string& remoteName) {
  if (FtpResult r = checked(remoteName, "file name"); !r.ok()) return r;
  return impl_->connection->remove(joinFtpPath(impl_->cwd, remoteName));
}

FtpResult CurlFtpClient::renameFile(const std::string& from, const std::string& to) {
  if (FtpResult r = checked(from, "file name"); !r.ok()) return r;
  if (FtpResult r = checked(to, "file name"); !r.ok()) return r;
  return impl_->connection->rename(joinFtpPath(impl_->cwd, from),
                                   joinFtpPath(impl_->cwd, to));
}

FtpResult CurlFtpClient::listDirectory(std::vector<FtpFileEntry>& entries) {
  entries.clear();
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  return impl_->connection->list(impl_->cwd, entries);
}

std::string CurlFtpClient::lastResponseText() const {
  const Impl& d = *impl_;
  if (d.lastTried) return d.lastTried->lastResponse();
  return d.connection ? d.connection->lastResponse() : std::string();
}

std::optional<ServerIdentity> CurlFtpClient::untrustedServer() const {
  return impl_->lastTried ? impl_->lastTried->untrustedServer() : std::nullopt;
}

FtpResult CurlFtpClient::trustServer(const ServerIdentity& identity) {
  if (!impl_->lastTried) return FtpResult::failure(FtpError::Refused, "no server to trust");
  return impl_->lastTried->trustServer(identity);
}

void CurlFtpClient::disconnect() {
  connected_ = false;
  // The closed connection stays for its counters and last reply.
  if (impl_->connection) impl_->connection->close();
}

void CurlFtpClient::setDeadlineIn(std::int64_t millis) {
  const Clock& clock = impl_->options.clock ? *impl_->options.clock : SystemClock::instance();
  impl_->deadline = clock.monotonicMillis() + std::max<std::int64_t>(0, millis);
}

void CurlFtpClient::closeSession() {
  disconnect();
  impl_->lastTried.reset();
  impl_->session = false;
}

int CurlFtpClient::commandsSent() const {
  return impl_->connection ? impl_->connection->commandsSent() : 0;
}
int CurlFtpClient::loginsMade() const {
  return impl_->connection ? impl_->connection->loginsMade() : 0;
}

}  // namespace karone
