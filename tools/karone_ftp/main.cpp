#include <iostream>

#include "app/ProfileKeyFiles.h"
#include "platform/CoreDumps.h"
#include "platform/Installation.h"
#include "platform/SettingsStorage.h"
#include "platform/curl/CurlFtpClient.h"
#include "tools/karone_ftp/KaroneFtp.h"

int main(int argc, char** argv) {
  karone::switchOffCoreDumps();  // it reads the profile's password
  std::vector<std::string> args(argv + 1, argv + argc);
  if (karone::installation::asksForVersion(args)) {
    std::cout << karone::installation::versionLine("karone-ftp") << "\n";
    return 0;
  }
  karone::CurlFtpClient client;
  karone::KaroneFtpSetup setup;
  setup.keyFileOf = [](const std::string& profile) {
    karone::FileSettingsStorage settings;
    return karone::readProfileKeyFile(settings, profile);
  };
  return karone::runKaroneFtp(args, client, std::cout, std::cerr, setup);
}
