#pragma once
// An FTP destination profile as a value. Profiles are keyed by `name`,
// compared as exact bytes. Texts are UTF-8 here; the data file stores them
// in code page 932 (see DataFile).
#include <cstdint>
#include <string>

namespace karone {

struct ProfileInfo {
  std::string name;             // registration name, the key
  std::string address;          // server address
  std::string userId;
  std::string password;         // kept as typed
  std::string uploadDirectory;  // empty: the server's root
  std::int32_t keepBuffers = 0;       // 1: never delete old buffer clips
  std::int32_t bufferClipCount = 10;  // buffer clips to keep
  std::string dialupEntry;
  std::string dialupUser;
  std::string dialupPassword;
  std::int32_t useDialup = 0;    // 1: dial the entry before connecting
  std::int32_t passiveMode = 0;  // 1: passive FTP
  std::int32_t port = 21;
  // SFTP: the private key to log in with ("" = the agent and the usual
  // keys). Not in the data file: our own settings key, named after the
  // profile (see ProfileKeyFiles).
  std::string keyFile;

  bool operator==(const ProfileInfo&) const = default;
};

}  // namespace karone
