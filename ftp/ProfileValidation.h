#pragma once
// What the FTP profile dialog does with its fields on OK: the checks in the
// order they run, each refusal told to the operator with its caption, the
// question about an empty upload directory, and the record that is stored
// when everything passes.
//  1 site name, address, user ID, password, port: the first one empty
//    (blanks at both ends do not count)
//  2 a line break in any text (it would end an FTP command early)
//  3 dial-up chosen but no phone-book entry selected
//  4 upload directory empty: asked; Yes goes back to the dialog, No stores
//    the profile with the server's start directory
//  5 port not within 1..65535
// The stored record holds the trimmed texts, the directory as typed, and
// empty dial-up credentials (the dial-up link reads them from the phone
// book).
//
// Runs on the caller's thread (the window thread); the prompter is asked
// there.
#include <optional>
#include <string>

#include "schedule/ProfileInfo.h"

namespace karone {

class Prompter;

struct ProfileForm {
  std::string name;      // as typed
  std::string address;   // as typed
  std::string userId;    // as typed
  std::string password;  // as typed
  std::string port;      // as typed
  std::string uploadDirectory;  // as typed; stored untrimmed
  int bufferClipCount = 10;
  bool keepBuffers = false;
  bool useDialup = false;
  std::string dialupEntry;  // the selected phone-book entry; "" when none is
  bool passiveMode = false;
  std::string keyFile;      // SFTP only: the private key, as typed
};

// Whether an address names SFTP ("sftp://host"): such a profile may have
// an empty password (it logs in with keys then).
bool isSftpAddress(const std::string& address);

// The profile to store, or nothing when the dialog stays open (the
// operator has been told why, or chose to enter a directory).
std::optional<ProfileInfo> confirmProfileForm(const ProfileForm& form, Prompter& prompter);

// The port typed: the number its leading decimal digits make after blanks
// are trimmed, 0 without digits; numbers beyond 65535 come back as 65536.
int portFromText(const std::string& text);

// Whether the text holds a character that would end a command line on the
// wire (CR, LF or NUL).
bool hasLineBreak(const std::string& text);

}  // namespace karone
