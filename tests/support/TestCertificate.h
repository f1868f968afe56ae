#pragma once
// A self-signed TLS certificate for 127.0.0.1 and localhost, made with the
// openssl command in a folder of the test. It serves both as the server's
// certificate and as the client's trusted CA file; a second one made the
// same way is an untrusted certificate for the same names.
#include <string>

namespace karone::testing {

class TestCertificate {
 public:
  // Writes <folder>/<stem>.crt and <folder>/<stem>.key.
  TestCertificate(const std::string& folder, const std::string& stem);
  bool ok() const { return ok_; }
  const std::string& certFile() const { return cert_; }
  const std::string& keyFile() const { return key_; }
  const std::string& error() const { return error_; }

 private:
  bool ok_ = false;
  std::string cert_, key_, error_;
};

}  // namespace karone::testing
