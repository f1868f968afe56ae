// Host-key rules, the SFTP listing form and fingerprint texts.
#include <gtest/gtest.h>

#include "platform/curl/CurlSftpConnection.h"
#include "platform/curl/KnownHosts.h"
#include "platform/curl/SftpListing.h"
#include "platform/curl/TlsVerification.h"
#include "tests/support/SshdServer.h"
#include "tests/support/TempDir.h"

namespace karone {
namespace {

// An SSH key blob of a type: the type as an SSH string, then key bytes.
std::string blob(const std::string& type, const std::string& bytes) {
  std::string b(4, '\0');
  b[3] = static_cast<char>(type.size());
  return b + type + bytes;
}

TEST(KnownHosts, MatchesAsOpenSshDoes) {
  const std::string key = blob("ssh-ed25519", "key-one");
  const std::string other = blob("ssh-ed25519", "key-two");
  const std::string ecdsa = blob("ecdsa-sha2-nistp256", "key-three");
  const std::string line = " ssh-ed25519 " + base64Encode(key);
  struct Row {
    std::string file;
    std::string host;
    const std::string& key;
    HostKeyMatch match;
  } rows[] = {
      {"example.org" + line, "example.org", key, HostKeyMatch::Trusted},
      {"EXAMPLE.org" + line, "example.org", key, HostKeyMatch::Trusted},
      {"a.org,example.org" + line, "example.org", key, HostKeyMatch::Trusted},
      {"*.org" + line, "example.org", key, HostKeyMatch::Trusted},
      {"*.org,!example.org" + line, "example.org", key, HostKeyMatch::Unknown},
      {"exampl?.org" + line, "example.org", key, HostKeyMatch::Trusted},
      {"example.org" + line, "[example.org]:2222", key, HostKeyMatch::Unknown},
      {"[example.org]:2222" + line, "[example.org]:2222", key, HostKeyMatch::Trusted},
      {"example.org" + line, "example.org", other, HostKeyMatch::Changed},
      {"example.org" + line, "example.org", ecdsa, HostKeyMatch::Unknown},
      {"# example.org" + line, "example.org", key, HostKeyMatch::Unknown},
      {"@cert-authority example.org" + line, "example.org", key, HostKeyMatch::Unknown},
      {"@revoked * " + line.substr(1), "example.org", key, HostKeyMatch::Revoked},
      {"example.org" + line + "\nexample.org ssh-ed25519 " + base64Encode(other), "example.org",
       other, HostKeyMatch::Trusted},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(checkHostKey({row.file}, row.host, row.key).match, row.match)
        << row.file << " / " << row.host;
  }
  EXPECT_EQ(checkHostKey({"example.org" + line}, "example.org", other).knownFingerprint,
            sshFingerprint(key));
  // Two files count as one.
  EXPECT_EQ(checkHostKey({"", "example.org" + line}, "example.org", key).match,
            HostKeyMatch::Trusted);
}

TEST(KnownHosts, HashedNamesAndFingerprintsAreOpenSshs) {
  testing::TempDir dir;
  const std::string key = blob("ssh-ed25519", std::string(32, 'k'));
  const std::string plain = "[127.0.0.1]:2222 ssh-ed25519 " + base64Encode(key) + "\n";
  testing::writeFile(dir.file("kh"), plain);
  const std::string hashed = testing::commandOutput("ssh-keygen -q -H -f " + dir.file("kh") +
                                                           " >/dev/null 2>&1 && cat " + dir.file("kh"));
  ASSERT_EQ(hashed.rfind("|1|", 0), 0u) << hashed;
  EXPECT_EQ(checkHostKey({hashed}, "[127.0.0.1]:2222", key).match, HostKeyMatch::Trusted);
  EXPECT_EQ(checkHostKey({hashed}, "[127.0.0.1]:2223", key).match, HostKeyMatch::Unknown);
  EXPECT_EQ(knownHostName("127.0.0.1", 22), "127.0.0.1");
  EXPECT_EQ(knownHostName("[::1]", 2222), "[::1]:2222");
  EXPECT_EQ(knownHostLine("h", key), "h ssh-ed25519 " + base64Encode(key));
  // ssh-keygen -l: no padding.
  EXPECT_EQ(sshFingerprint(""), "SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU");
}

TEST(SftpListing, ReadsTheLongNames) {
  const std::string text =
      "drwxr-xr-x    2 root     root         4096 Dec  8 19:01 .\n"
      "drwxr-xr-x    3 root     root         4096 Dec  8 19:02 ..\n"
      "-rw-r--r--    1 web user  group       4294967299 Jan 31  2025 motion img.jpg\n"
      "drwxr-x---    2 1000     1000            0 Feb  1 10:30 sub\n"
      "lrwxrwxrwx    1 root     root            7 Mar  3 04:05 link -> target\n"
      "not a listing line\n";
  const auto entries = parseSftpListing(text, 1765213200);  // December 2025
  // "web user group" is one field too many: the line is not read wrongly.
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "sub");
  EXPECT_EQ(entries[0].attributes, kFtpAttributeDirectory);
  EXPECT_EQ(entries[0].lastWrite.month, 2);
  EXPECT_EQ(entries[0].lastWrite.hour, 10);
  EXPECT_EQ(entries[1].name, "link");
  EXPECT_EQ(entries[1].attributes, kFtpAttributeSymlink);

  const auto big = parseSftpListing(
      "-rw-r--r--    1 web      group  4294967299 Jan 31  2025 motion img.jpg\n", 1765213200);
  ASSERT_EQ(big.size(), 1u);
  EXPECT_EQ(big[0].name, "motion img.jpg");
  EXPECT_EQ(big[0].size(), 4294967299u);
  EXPECT_EQ(big[0].lastWrite.year, 2025);
}

TEST(KeyFiles, PassphraseProtectionIsSeenWithoutThePassphrase) {
  testing::TempDir dir;
  ASSERT_FALSE(testing::commandOutput(
                   "ssh-keygen -q -t ed25519 -N '' -f " + dir.file("clear") +
                   " && ssh-keygen -q -t ed25519 -N passphrase -f " + dir.file("locked") +
                   " && ssh-keygen -q -t ecdsa -m PEM -N passphrase -f " + dir.file("pem") + " && echo ok")
                   .empty());
  EXPECT_FALSE(keyFileNeedsPassphrase(dir.file("clear")));
  EXPECT_TRUE(keyFileNeedsPassphrase(dir.file("locked")));
  EXPECT_TRUE(keyFileNeedsPassphrase(dir.file("pem")));
  EXPECT_FALSE(keyFileNeedsPassphrase(dir.file("missing")));
}

TEST(CertificateFingerprints, EveryCommonFormReadsAsHexPairs) {
  const std::string hex =
      "E3:B0:C4:42:98:FC:1C:14:9A:FB:F4:C8:99:6F:B9:24:27:AE:41:E4:64:9B:93:4C:A4:95:99:1B:78:52:"
      "B8:55";
  EXPECT_EQ(normalCertificateFingerprint(hex), hex);
  EXPECT_EQ(normalCertificateFingerprint("sha256:e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"), hex);
  EXPECT_EQ(normalCertificateFingerprint("SHA256:47DEQpj8HBSa+/TImW+5JCeuQeRkm5NMpJWZG3hSuFU"), hex);
  EXPECT_EQ(normalCertificateFingerprint("SHA256:E3:B0"), "");
  EXPECT_EQ(normalCertificateFingerprint("nonsense"), "");
}

}  // namespace
}  // namespace karone
