#pragma once
// One connection of CurlFtpClient in one protocol. CurlFtpClient checks
// what it is given (connected, names without line breaks) and turns the
// names of the current directory into absolute paths; a connection works
// on absolute paths only and keeps its login between requests.
//
// Threading: as FtpClient (one thread at a time).
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/FtpClient.h"
#include "platform/curl/CurlSession.h"

namespace karone {

class CurlConnection {
 public:
  virtual ~CurlConnection() = default;

  // Connects and logs in; on success `home` is the directory the server
  // put us in.
  virtual FtpResult connect(const FtpConnectParams& params, const ServerAddress& address,
                            std::string& home) = 0;
  // Succeeds when the directory exists and can be entered.
  virtual FtpResult checkDirectory(const std::string& path) = 0;
  virtual FtpResult put(const std::string& localPath, const std::string& path) = 0;
  virtual FtpResult get(const std::string& path, std::string& bytes, std::size_t maxBytes) = 0;
  virtual FtpResult remove(const std::string& path) = 0;
  virtual FtpResult rename(const std::string& from, const std::string& to) = 0;
  virtual FtpResult list(const std::string& directory, std::vector<FtpFileEntry>& entries) = 0;
  virtual std::string lastResponse() const = 0;
  virtual int commandsSent() const = 0;
  virtual int loginsMade() const = 0;
  virtual std::optional<ServerIdentity> untrustedServer() const { return std::nullopt; }
  virtual FtpResult trustServer(const ServerIdentity&) {
    return FtpResult::failure(FtpError::Internal, "nothing to trust");
  }
  virtual void close() = 0;
};

}  // namespace karone
