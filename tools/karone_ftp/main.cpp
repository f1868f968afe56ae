#include <iostream>

#include "platform/CoreDumps.h"
#include "platform/Installation.h"
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
  return karone::runKaroneFtp(args, client, std::cout, std::cerr);
}
