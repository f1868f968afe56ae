// karone-ftp trust-host: shows what the server identifies itself with and
// trusts it, never without the operator's word (an answer on the terminal,
// or the fingerprint given on the command line).
#include <unistd.h>

#include <iostream>

#include "ftp/FtpUploader.h"
#include "resources/Texts.h"
#include "schedule/ProfileInfo.h"
#include "tools/ToolText.h"
#include "tools/karone_ftp/KaroneFtp.h"

namespace karone {
namespace {

constexpr int kOk = 0;
constexpr int kFailed = 1;

std::string terminalAnswer() {
  if (!::isatty(STDIN_FILENO)) return {};
  std::string line;
  std::getline(std::cin, line);
  return line;
}

bool isYes(std::string answer) {
  while (!answer.empty() && (answer.back() == ' ' || answer.back() == '\r')) answer.pop_back();
  return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES" || answer == "Yes";
}

}  // namespace

int runTrustHost(const ProfileInfo& profile, FtpClient& client, const std::string& fingerprint,
                 std::ostream& out, std::ostream& err, const KaroneFtpSetup& setup) {
  client.openSession(FtpUploader::kAgent);
  const FtpConnectParams params = FtpUploader::connectParams(profile);
  const std::string where = tools::shown(profile.address) + " port " + std::to_string(profile.port);
  const FtpResult connected = client.connect(params);
  if (connected.ok()) {
    client.disconnect();
    out << formatText(Text::ToolFtpAlreadyTrusted, where.c_str()) << "\n";
    return kOk;
  }
  const auto seen = client.untrustedServer();
  if (!seen || seen->fingerprint.empty()) {
    // A refused log-in comes after the server was checked: it is trusted.
    if (connected.error == FtpError::LoginFailed) {
      out << formatText(Text::ToolFtpAlreadyTrusted, where.c_str()) << "\n";
      return kOk;
    }
    err << formatText(Text::ToolFtpNothingToTrust, where.c_str(), connected.text.c_str()) << "\n";
    return kFailed;
  }
  if (seen->changed()) {
    err << formatText(Text::ToolFtpKeyChanged, seen->host.c_str(), seen->fingerprint.c_str(),
                      seen->knownFingerprint.c_str())
        << "\n";
    return kFailed;
  }
  const std::string what =
      seen->kind == "TLS" ? formatText(Text::FtpCertificateWhat, seen->subject.c_str())
                          : seen->kind;
  out << formatText(Text::ToolFtpServerShows, seen->host.c_str(), what.c_str(),
                    seen->fingerprint.c_str())
      << "\n";
  ServerIdentity chosen = *seen;
  if (!fingerprint.empty()) {
    chosen.fingerprint = fingerprint;
  } else {
    const bool canAsk = setup.readAnswer || ::isatty(STDIN_FILENO);
    if (!canAsk) {
      err << formatText(Text::ToolFtpNoTerminal, tools::shown(profile.name).c_str(),
                        seen->fingerprint.c_str())
          << "\n";
      return kFailed;
    }
    out << text(Text::ToolFtpTrustQuestion) << std::flush;
    if (!isYes(setup.readAnswer ? setup.readAnswer() : terminalAnswer())) {
      err << formatText(Text::ToolFtpNotTrusted, seen->host.c_str()) << "\n";
      return kFailed;
    }
  }
  const FtpResult trusted = client.trustServer(chosen);
  if (!trusted.ok()) {
    if (trusted.error == FtpError::Refused) {
      err << formatText(Text::ToolFtpOtherFingerprint, seen->fingerprint.c_str(),
                        fingerprint.c_str())
          << "\n";
    } else {
      err << formatText(Text::FtpHostNotStored, trusted.text.c_str()) << "\n";
    }
    return kFailed;
  }
  out << formatText(Text::ToolFtpTrusted, seen->host.c_str(), seen->fingerprint.c_str()) << "\n";
  return kOk;
}

}  // namespace karone
