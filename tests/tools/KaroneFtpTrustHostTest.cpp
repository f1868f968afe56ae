// karone-ftp trust-host as scripts call it, on a real OpenSSH server whose
// key nothing trusts yet; and the tool's other commands refusing such a
// server with the way to trust it.
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Paths.h"
#include "resources/Texts.h"
#include "schedule/DataStore.h"
#include "tests/support/SshdServer.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

#ifdef KARONE_FTP_EXE

using ::testing::HasSubstr;

struct ToolRun {
  int code = -1;
  std::string out, err;
};

class KaroneFtpTrustHost : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.started()) << server.error();
    DataStore store;
    ProfileInfo p;
    p.name = "ssh";
    p.address = "sftp://127.0.0.1";
    p.port = server.port();
    p.userId = server.params().user;
    p.uploadDirectory = server.folder();
    store.addProfile(p);
    ASSERT_TRUE(store.save().ok);
  }
  ToolRun karoneFtp(const std::string& args) {
    ToolRun r;
    const std::string command = "env -u SSH_AUTH_SOCK HOME='" + server.clientHome() + "' " +
                                KARONE_FTP_EXE + " " + args + " </dev/null >" +
                                dirs.root().file("out") + " 2>" + dirs.root().file("err");
    const int status = std::system(command.c_str());
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = testing::readFile(dirs.root().file("out"));
    r.err = testing::readFile(dirs.root().file("err"));
    return r;
  }
  std::string ownKnownHosts() const {
    return testing::readFile(paths::dataDir(paths::MakeFolder::No) + "/known_hosts");
  }

  testing::ScopedProgramDirs dirs;
  testing::SshdServer server{{.trustedByUser = false}};
};

TEST_F(KaroneFtpTrustHost, UnknownKeyIsTrustedOnlyByItsFingerprint) {
  const std::string fingerprint = server.hostKeyFingerprint();
  ToolRun check = karoneFtp("check ssh");
  EXPECT_EQ(check.code, 1);
  EXPECT_THAT(check.out, HasSubstr(fingerprint));
  EXPECT_THAT(check.out, HasSubstr("karone-ftp trust-host ssh"));

  ToolRun noTerminal = karoneFtp("trust-host ssh");
  EXPECT_EQ(noTerminal.code, 1);
  EXPECT_THAT(noTerminal.out, HasSubstr("ssh-ed25519"));
  EXPECT_THAT(noTerminal.err, HasSubstr("--fingerprint " + fingerprint));

  ToolRun wrong = karoneFtp("trust-host ssh --fingerprint SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU");
  EXPECT_EQ(wrong.code, 1);
  EXPECT_EQ(ownKnownHosts(), "");

  ToolRun trusted = karoneFtp("trust-host ssh --fingerprint " + fingerprint);
  EXPECT_EQ(trusted.code, 0) << trusted.err;
  EXPECT_THAT(ownKnownHosts(), HasSubstr(server.hostName() + " ssh-ed25519 "));
  check = karoneFtp("check ssh");
  EXPECT_EQ(check.code, 0) << check.out << check.err;
  EXPECT_EQ(karoneFtp("trust-host ssh").code, 0);  // trusted already

  // A changed key is refused by every command, with both fingerprints.
  ASSERT_TRUE(server.changeHostKey());
  ToolRun changed = karoneFtp("trust-host ssh --fingerprint " + server.hostKeyFingerprint());
  EXPECT_EQ(changed.code, 1);
  EXPECT_THAT(changed.err, HasSubstr(fingerprint));
  EXPECT_THAT(changed.err, HasSubstr(server.hostKeyFingerprint()));
  check = karoneFtp("check ssh");
  EXPECT_EQ(check.code, 1);
  EXPECT_THAT(check.out, HasSubstr(server.hostKeyFingerprint()));
  EXPECT_THAT(check.out, ::testing::Not(HasSubstr("trust-host")));
}

#endif

}  // namespace
}  // namespace karone
