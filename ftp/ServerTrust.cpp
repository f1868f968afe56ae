#include "ftp/ServerTrust.h"

#include "resources/Texts.h"

namespace karone {

bool offerServerTrust(FtpClient& client, const std::string& profileName,
                      const std::function<void(const std::string&)>& log,
                      const std::function<PromptAnswer(const std::string&)>& ask) {
  const auto seen = client.untrustedServer();
  if (!seen || seen->fingerprint.empty()) return false;
  const std::string what = seen->kind == "TLS"
                               ? formatText(Text::FtpCertificateWhat, seen->subject.c_str())
                               : seen->kind;
  if (seen->changed()) {
    log(formatText(Text::FtpHostKeyChanged, seen->host.c_str(), seen->fingerprint.c_str(),
                   seen->knownFingerprint.c_str()));
    return false;
  }
  log(formatText(Text::FtpHostNotTrusted, seen->host.c_str(), what.c_str(),
                 seen->fingerprint.c_str(), profileName.c_str()));
  if (ask(formatText(Text::FtpAskTrustHost, seen->host.c_str(), what.c_str(),
                     seen->fingerprint.c_str())) != PromptAnswer::Yes) {
    return false;
  }
  const FtpResult trusted = client.trustServer(*seen);
  if (!trusted.ok()) {
    log(formatText(Text::FtpHostNotStored, trusted.text.c_str()));
    return false;
  }
  log(formatText(Text::FtpHostTrusted, seen->host.c_str()));
  return true;
}

}  // namespace karone
