#include "ftp/ProfileValidation.h"

#include <cctype>

#include "platform/Prompter.h"
#include "resources/Texts.h"
#include "schedule/ScheduleForm.h"

namespace karone {
namespace {

constexpr int kLargestPort = 65535;

// A field's label as the operator reads it, without its colon.
std::string fieldName(Text label) {
  std::string name = text(label);
  if (!name.empty() && name.back() == ':') name.pop_back();
  return name;
}

void warn(Prompter& prompter, const std::string& message, Text caption) {
  prompter.ask(message, text(caption), PromptButtons::Ok, PromptIcon::Warning);
}

}  // namespace

int portFromText(const std::string& raw) {
  const std::string digits = trimBlanks(raw);
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') break;
    value = value * 10 + (c - '0');
    if (value > kLargestPort) return kLargestPort + 1;
  }
  return value;
}

bool hasLineBreak(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool isSftpAddress(const std::string& address) {
  const std::string s = trimBlanks(address);
  static const std::string scheme = "sftp://";
  if (s.size() < scheme.size()) return false;
  for (std::size_t i = 0; i < scheme.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(s[i])) != scheme[i]) return false;
  }
  return true;
}

std::optional<ProfileInfo> confirmProfileForm(const ProfileForm& form, Prompter& prompter) {
  const std::string name = trimBlanks(form.name);
  const std::string address = trimBlanks(form.address);
  const std::string userId = trimBlanks(form.userId);
  const std::string password = trimBlanks(form.password);
  const std::string port = trimBlanks(form.port);
  const bool sftp = isSftpAddress(address);
  const std::string keyFile = sftp ? trimBlanks(form.keyFile) : std::string();

  const struct {
    const std::string& value;
    Text message;
  } required[] = {
      {name, Text::ProfileNameMissing},       {address, Text::ProfileAddressMissing},
      {userId, Text::ProfileUserMissing},     {password, Text::ProfilePasswordMissing},
      {port, Text::ProfilePortMissing},
  };
  for (const auto& field : required) {
    // An SFTP profile without a password logs in with keys.
    if (sftp && &field.value == &password) continue;
    if (field.value.empty()) {
      warn(prompter, text(field.message), Text::ProfileIncompleteCaption);
      return std::nullopt;
    }
  }

  const struct {
    const std::string& value;
    Text label;
  } texts[] = {
      {name, Text::ProfileNameLabel},
      {address, Text::ProfileAddressLabel},
      {userId, Text::ProfileUserLabel},
      {password, Text::ProfilePasswordLabel},
      {form.uploadDirectory, Text::ProfileDirectoryLabel},
      {form.dialupEntry, Text::ProfileDialupEntryLabel},
      {keyFile, Text::ProfileKeyFileLabel},
  };
  for (const auto& field : texts) {
    if (hasLineBreak(field.value)) {
      warn(prompter, formatText(Text::ProfileLineBreak, fieldName(field.label).c_str()),
           Text::ProfileModifyTitle);
      return std::nullopt;
    }
  }

  if (form.useDialup && form.dialupEntry.empty()) {
    warn(prompter, text(Text::ProfileDialupMissing), Text::ProfileIncompleteCaption);
    return std::nullopt;
  }

  if (form.uploadDirectory.empty() &&
      prompter.ask(text(Text::ProfileEmptyDirectoryQuestion), text(Text::ProfileModifyTitle),
                   PromptButtons::YesNo, PromptIcon::Warning) == PromptAnswer::Yes) {
    return std::nullopt;
  }

  const int portNumber = portFromText(port);
  if (portNumber < 1 || portNumber > kLargestPort) {
    warn(prompter, text(Text::ProfilePortInvalid), Text::ProfileModifyTitle);
    return std::nullopt;
  }

  ProfileInfo profile;
  profile.name = name;
  profile.address = address;
  profile.userId = userId;
  profile.password = password;
  profile.uploadDirectory = form.uploadDirectory;
  profile.port = portNumber;
  profile.bufferClipCount = form.bufferClipCount;
  profile.keepBuffers = form.keepBuffers ? 1 : 0;
  profile.dialupEntry = form.dialupEntry;
  profile.dialupUser.clear();
  profile.dialupPassword.clear();
  profile.useDialup = form.useDialup ? 1 : 0;
  profile.passiveMode = form.passiveMode ? 1 : 0;
  profile.keyFile = keyFile;
  return profile;
}

}  // namespace karone
