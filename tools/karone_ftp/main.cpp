#include <iostream>

#include "platform/CoreDumps.h"
#include "platform/curl/CurlFtpClient.h"
#include "tools/karone_ftp/KaroneFtp.h"

int main(int argc, char** argv) {
  karone::switchOffCoreDumps();  // it reads the profile's password
  std::vector<std::string> args(argv + 1, argv + argc);
  karone::CurlFtpClient client;
  return karone::runKaroneFtp(args, client, std::cout, std::cerr);
}
