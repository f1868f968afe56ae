#include "tests/support/PasswordSftpServer.h"

#include <sys/stat.h>

#include <cstdlib>

#include "tests/support/PyFtpServer.h"
#include "tests/support/SshdServer.h"

namespace karone::testing {

PasswordSftpServer::PasswordSftpServer(const std::string& methods) {
  ::mkdir(root().c_str(), 0755);
  ::mkdir(clientHome().c_str(), 0700);
  ::mkdir((clientHome() + "/.ssh").c_str(), 0700);
  if (commandOutput("ssh-keygen -q -t ed25519 -N '' -C host -f '" + dir_.file("host_key") +
                    "' && echo ok")
          .empty()) {
    error_ = "ssh-keygen cannot make the host key";
    return;
  }
  const std::vector<std::string> argv = {
      systemPython(), std::string(KARONE_SOURCE_DIR) + "/tests/support/sftp_password_server.py",
      "--root", root(), "--port-file", dir_.file("port"), "--user", "karone", "--password",
      "secret", "--methods", methods};
  if (!process_.start(argv, dir_.file("server.log"))) {
    error_ = process_.error();
    return;
  }
  const std::string line = waitForLine(dir_.file("port"), 15000);
  const int port = line.empty() ? 0 : std::atoi(line.c_str());
  if (port <= 0 || port > 65535) {
    error_ = "the SFTP test server did not start: " + readFile(dir_.file("server.log"));
    process_.stop();
    return;
  }
  port_ = static_cast<std::uint16_t>(port);
  const std::string key = readFile(dir_.file("host_key.pub"));
  writeFile(clientHome() + "/.ssh/known_hosts",
            "[127.0.0.1]:" + std::to_string(port_) + " " + key.substr(0, key.rfind(' ')) + "\n");
}

PasswordSftpServer::~PasswordSftpServer() { process_.stop(); }

FtpConnectParams PasswordSftpServer::params() const {
  FtpConnectParams p;
  p.address = "sftp://127.0.0.1";
  p.port = port_;
  p.user = "karone";
  p.password = "secret";
  return p;
}

}  // namespace karone::testing
