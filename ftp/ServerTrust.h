#pragma once
// The offer to trust a server that nothing trusts yet, made when a log-in
// fails for that reason: a changed key is logged and never offered; an
// unknown key or certificate is logged with its fingerprint and, when the
// operator answers Yes, stored through the client. Runs on the uploader's
// worker thread.
#include <functional>
#include <string>

#include "platform/FtpClient.h"
#include "platform/Prompter.h"

namespace karone {

// True when the server is trusted now and the log-in is worth trying again.
bool offerServerTrust(FtpClient& client, const std::string& profileName,
                      const std::function<void(const std::string&)>& log,
                      const std::function<PromptAnswer(const std::string&)>& ask);

}  // namespace karone
