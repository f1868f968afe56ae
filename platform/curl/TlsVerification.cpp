#include "platform/curl/TlsVerification.h"

#include <openssl/bio.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cctype>
#include <cstdio>
#include <sstream>

#include "platform/curl/KnownHosts.h"

namespace karone {
namespace {

std::string hexPairs(const std::string& bytes) {
  std::string out;
  char pair[4];
  for (unsigned char c : bytes) {
    std::snprintf(pair, sizeof pair, "%s%02X", out.empty() ? "" : ":", c);
    out += pair;
  }
  return out;
}

std::string subjectOf(X509* certificate) {
  BIO* bio = BIO_new(BIO_s_mem());
  if (!bio) return {};
  X509_NAME_print_ex(bio, X509_get_subject_name(certificate), 0, XN_FLAG_RFC2253);
  char* data = nullptr;
  long length = BIO_get_mem_data(bio, &data);
  std::string subject(data ? data : "", length > 0 ? static_cast<std::size_t>(length) : 0);
  BIO_free(bio);
  return subject;
}

std::string fingerprintOf(X509* certificate) {
  unsigned char* der = nullptr;
  const int length = i2d_X509(certificate, &der);
  if (length <= 0) return {};
  std::string bytes(reinterpret_cast<char*>(der), static_cast<std::size_t>(length));
  OPENSSL_free(der);
  return hexPairs(sha256(bytes));
}

int verifyChain(X509_STORE_CTX* store, void* user) {
  auto* self = static_cast<TlsVerification*>(user);
  if (X509_verify_cert(store) == 1) return 1;
  X509* leaf = X509_STORE_CTX_get0_cert(store);
  if (!leaf) return 0;
  const std::string fingerprint = fingerprintOf(leaf);
  if (!fingerprint.empty() && self->pinned(fingerprint)) {
    X509_STORE_CTX_set_error(store, X509_V_OK);
    return 1;
  }
  ServerIdentity identity;
  identity.host = self->hostName();
  identity.kind = "TLS";
  identity.fingerprint = fingerprint;
  identity.subject = subjectOf(leaf);
  identity.reason = X509_verify_cert_error_string(X509_STORE_CTX_get_error(store));
  self->failed(std::move(identity));
  return 0;
}

CURLcode onSslContext(CURL*, void* context, void* user) {
  SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(context), &verifyChain, user);
  return CURLE_OK;
}

}  // namespace

std::string normalCertificateFingerprint(const std::string& raw) {
  std::string text = raw;
  if (text.rfind("SHA256:", 0) == 0 || text.rfind("sha256:", 0) == 0) text.erase(0, 7);
  std::string hex;
  for (char c : text) {
    if (c == ':') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) {
      hex.clear();
      break;
    }
    hex += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (hex.size() == 64) {
    std::string bytes;
    for (std::size_t i = 0; i < 64; i += 2) {
      bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return hexPairs(bytes);
  }
  const std::string bytes = base64Decode(text);
  return bytes.size() == 32 ? hexPairs(bytes) : std::string();
}

void TlsVerification::reset() { failed_.reset(); }

void TlsVerification::install(CURL* curl, const std::string& host, int port,
                              const std::string& pinsFile) {
  host_ = host + ":" + std::to_string(port);
  pinsFile_ = pinsFile;
  failed_.reset();
  curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &onSslContext);
  curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, this);
}

bool TlsVerification::pinned(const std::string& fingerprint) const {
  std::istringstream lines(readTextFile(pinsFile_));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string host, pin;
    fields >> host >> pin;
    if (host == host_ && normalCertificateFingerprint(pin) == fingerprint) return true;
  }
  return false;
}

FtpResult TlsVerification::trust(const ServerIdentity& identity) {
  if (!failed_ || failed_->fingerprint.empty() || identity.host != failed_->host ||
      normalCertificateFingerprint(identity.fingerprint) != failed_->fingerprint) {
    return FtpResult::failure(FtpError::Refused,
                              "the server did not show the certificate " + identity.fingerprint);
  }
  std::string error;
  if (!appendKnownHost(pinsFile_, failed_->host + " " + failed_->fingerprint, error)) {
    return FtpResult::failure(FtpError::LocalFile, error);
  }
  return FtpResult::success();
}

std::string TlsVerification::explain(const std::string& text) const {
  if (!failed_) return text;
  return text + " (" + failed_->reason + "; subject " + failed_->subject + "; SHA-256 " +
         failed_->fingerprint + ")";
}

}  // namespace karone
