#include "tests/support/TestCertificate.h"

#include <cstdlib>

#include "tests/support/TempDir.h"

namespace karone::testing {

TestCertificate::TestCertificate(const std::string& folder, const std::string& stem)
    : cert_(folder + "/" + stem + ".crt"), key_(folder + "/" + stem + ".key") {
  std::string command =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 2"
      " -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:localhost"
      " -addext basicConstraints=critical,CA:TRUE"
      " -keyout '" + key_ + "' -out '" + cert_ + "' >'" + folder + "/" + stem +
      ".log' 2>&1";
  ok_ = std::system(command.c_str()) == 0 && fileExists(cert_) && fileExists(key_);
  if (!ok_) error_ = "openssl could not make a certificate: " + readFile(folder + "/" + stem + ".log");
}

}  // namespace karone::testing
