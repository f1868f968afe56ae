#include <gtest/gtest.h>

#include <map>

#include "platform/curl/CurlFtpClient.h"

namespace karone {
namespace {

TEST(TlsTrust, TheEnvironmentNamesTheAuthoritiesAsForTheCurlCommand) {
  using Env = std::map<std::string, std::string>;
  struct Row {
    const char* name;
    std::string caFile;
    Env env;
    TlsTrust trust;
  };
  const Row rows[] = {
      {"nothing: the system's store", "", {}, {}},
      {"an explicit file wins", "/own.pem",
       {{"CURL_CA_BUNDLE", "/b.pem"}, {"SSL_CERT_FILE", "/f.pem"}}, {"/own.pem", ""}},
      {"the bundle hides the other two", "",
       {{"CURL_CA_BUNDLE", "/b.pem"}, {"SSL_CERT_FILE", "/f.pem"}, {"SSL_CERT_DIR", "/d"}},
       {"/b.pem", ""}},
      {"file and folder together", "", {{"SSL_CERT_FILE", "/f.pem"}, {"SSL_CERT_DIR", "/d"}},
       {"/f.pem", "/d"}},
      {"folder only", "", {{"SSL_CERT_DIR", "/d"}}, {"", "/d"}},
      {"empty counts as unset", "", {{"CURL_CA_BUNDLE", ""}, {"SSL_CERT_FILE", "/f.pem"}},
       {"/f.pem", ""}},
  };
  for (const Row& row : rows) {
    auto getenv = [&](const char* name) -> const char* {
      auto it = row.env.find(name);
      return it == row.env.end() ? nullptr : it->second.c_str();
    };
    EXPECT_EQ(tlsTrustFor(row.caFile, getenv), row.trust) << row.name;
  }
}

}  // namespace
}  // namespace karone
