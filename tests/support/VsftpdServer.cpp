#include "tests/support/VsftpdServer.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace karone::testing {
namespace {

const char* kVsftpd = "/usr/sbin/vsftpd";
const char* kFtpUser = "ftp";  // made by the vsftpd package

}  // namespace

VsftpdServer::VsftpdServer(VsftpdServerOptions options) : root_(dir_.file("root")) {
  if (::access(kVsftpd, X_OK) != 0) {
    error_ = "vsftpd is not installed";
    return;
  }
  if (::geteuid() != 0) {
    error_ = "vsftpd needs root to run";
    return;
  }
  passwd* ftp = ::getpwnam(kFtpUser);
  if (ftp == nullptr) {
    error_ = "no system user 'ftp' for anonymous vsftpd logins";
    return;
  }
  // vsftpd wants the directories of the path to the chroot and the root
  // itself to be unwritable by the FTP user; our temp folder is 0700.
  ::chmod(dir_.path().c_str(), 0755);
  ::mkdir(root_.c_str(), 0755);
  ::mkdir(dir_.file("empty").c_str(), 0755);
  std::string upload = uploadFolder();
  ::mkdir(upload.c_str(), 0755);
  if (::chown(upload.c_str(), ftp->pw_uid, ftp->pw_gid) != 0) {
    error_ = "cannot hand the upload folder to the ftp user";
    return;
  }
  if (options.tls) {
    cert_ = std::make_unique<TestCertificate>(dir_.path(), "server");
    if (!cert_->ok()) {
      error_ = cert_->error();
      return;
    }
  }
  // The port may be taken between choosing it and vsftpd binding it by a
  // parallel test: try a few.
  for (int attempt = 0; attempt < 5 && port_ == 0; ++attempt) {
    int port = freeLocalPort();
    if (port != 0 && startOn(port, options)) port_ = static_cast<std::uint16_t>(port);
  }
  if (port_ == 0 && error_.empty()) error_ = "vsftpd did not start: " + readFile(dir_.file("vsftpd.out"));
}

bool VsftpdServer::startOn(int port, const VsftpdServerOptions& options) {
  std::string conf = dir_.file("vsftpd.conf");
  writeFile(conf,
            "listen=YES\n"
            "listen_ipv6=NO\n"
            "listen_address=127.0.0.1\n"
            "listen_port=" + std::to_string(port) + "\n"
            "background=NO\n"
            "anonymous_enable=YES\n"
            "local_enable=NO\n"
            "no_anon_password=YES\n"
            "anon_root=" + root_ + "\n"
            "write_enable=YES\n"
            "anon_upload_enable=YES\n"
            "anon_mkdir_write_enable=YES\n"
            "anon_other_write_enable=YES\n"
            "anon_umask=022\n"
            "ftp_username=" + std::string(kFtpUser) + "\n"
            "secure_chroot_dir=" + dir_.file("empty") + "\n"
            "seccomp_sandbox=NO\n"
            "isolate=NO\n"
            "isolate_network=NO\n"
            "pasv_enable=YES\n"
            "port_enable=YES\n"
            "connect_from_port_20=NO\n"
            "idle_session_timeout=" + std::to_string(options.idleSessionTimeoutSeconds) + "\n"
            "data_connection_timeout=30\n"
            "xferlog_enable=YES\n"
            "xferlog_std_format=NO\n"
            "log_ftp_protocol=YES\n"
            "vsftpd_log_file=" + dir_.file("vsftpd.log") + "\n"
            "dirmessage_enable=NO\n"
            "use_localtime=NO\n"
            "max_per_ip=0\n"
            "pam_service_name=vsftpd\n" +
            (cert_ ? "ssl_enable=YES\n"
                     "rsa_cert_file=" + cert_->certFile() + "\n"
                     "rsa_private_key_file=" + cert_->keyFile() + "\n"
                     "allow_anon_ssl=YES\n"
                     "force_anon_logins_ssl=YES\n"
                     "force_anon_data_ssl=YES\n"
                     "require_ssl_reuse=NO\n"
                     "ssl_ciphers=HIGH\n"
                   : std::string()));
  ::chmod(conf.c_str(), 0600);
  if (!process_.start({kVsftpd, conf}, dir_.file("vsftpd.out"))) {
    error_ = process_.error();
    return false;
  }
  // Ready once it greets; gone when it could not bind.
  for (int i = 0; i < 250; ++i) {  // up to 5 s
    if (!process_.running()) return false;
    std::string greeting = readGreeting(port, 200);
    if (greeting.rfind("220", 0) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  process_.stop();
  return false;
}

VsftpdServer::~VsftpdServer() { process_.stop(); }

FtpConnectParams VsftpdServer::params(bool passive) const {
  FtpConnectParams p;
  p.address = cert_ ? "ftps://127.0.0.1" : "127.0.0.1";
  p.port = port_;
  p.user = "anonymous";
  p.password = "karone@127.0.0.1";
  p.passive = passive;
  return p;
}

std::string VsftpdServer::log() const { return readFile(dir_.file("vsftpd.log")); }

}  // namespace karone::testing
