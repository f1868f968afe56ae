#include "platform/curl/KnownHosts.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

namespace karone {
namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// OpenSSH's pattern match: '*' any run, '?' any one character.
bool wildcardMatch(const char* pattern, const char* text) {
  for (;;) {
    if (*pattern == '\0') return *text == '\0';
    if (*pattern == '*') {
      for (const char* t = text;; ++t) {
        if (wildcardMatch(pattern + 1, t)) return true;
        if (*t == '\0') return false;
      }
    }
    if (*text == '\0') return false;
    if (*pattern != '?' && *pattern != *text) return false;
    ++pattern;
    ++text;
  }
}

bool hashedMatch(const std::string& entry, const std::string& name) {
  // |1|salt|hash, both base64: hash = HMAC-SHA1(salt, name)
  const std::size_t bar = entry.find('|', 3);
  if (bar == std::string::npos) return false;
  const std::string salt = base64Decode(entry.substr(3, bar - 3));
  const std::string hash = base64Decode(entry.substr(bar + 1));
  if (salt.empty() || hash.empty()) return false;
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!HMAC(EVP_sha1(), salt.data(), static_cast<int>(salt.size()),
            reinterpret_cast<const unsigned char*>(name.data()), name.size(), out, &length)) {
    return false;
  }
  return hash == std::string(reinterpret_cast<char*>(out), length);
}

// Whether a line's host field names the host: a hashed name, or a list of
// patterns where a negated one that matches rules the line out.
bool hostsMatch(const std::string& field, const std::string& name) {
  if (field.rfind("|1|", 0) == 0) return hashedMatch(field, name);
  const std::string host = lower(name);
  bool matched = false;
  std::istringstream in(field);
  std::string pattern;
  while (std::getline(in, pattern, ',')) {
    if (pattern.empty()) continue;
    const bool negated = pattern[0] == '!';
    if (negated) pattern.erase(0, 1);
    if (wildcardMatch(lower(pattern).c_str(), host.c_str())) {
      if (negated) return false;
      matched = true;
    }
  }
  return matched;
}

}  // namespace

std::string base64Encode(const std::string& bytes, bool pad) {
  std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
  const int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
  out.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
  if (!pad) {
    while (!out.empty() && out.back() == '=') out.pop_back();
  }
  return out;
}

std::string base64Decode(const std::string& text) {
  std::string padded = text;
  while (padded.size() % 4 != 0) padded += '=';
  if (padded.empty()) return {};
  std::string out(padded.size() / 4 * 3, '\0');
  const int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                                reinterpret_cast<const unsigned char*>(padded.data()),
                                static_cast<int>(padded.size()));
  if (n < 0) return {};
  std::size_t size = static_cast<std::size_t>(n);
  for (auto it = padded.rbegin(); it != padded.rend() && *it == '='; ++it) --size;
  out.resize(size);
  return out;
}

std::string sha256(const std::string& bytes) {
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_Digest(bytes.data(), bytes.size(), out, &length, EVP_sha256(), nullptr)) return {};
  return std::string(reinterpret_cast<char*>(out), length);
}

std::string sshFingerprint(const std::string& blob) {
  return "SHA256:" + base64Encode(sha256(blob), false);
}

std::string sshKeyType(const std::string& blob) {
  if (blob.size() < 4) return {};
  const auto* b = reinterpret_cast<const unsigned char*>(blob.data());
  const std::size_t length = (std::size_t{b[0]} << 24) | (std::size_t{b[1]} << 16) |
                             (std::size_t{b[2]} << 8) | b[3];
  if (length == 0 || length > 64 || blob.size() < 4 + length) return {};
  return blob.substr(4, length);
}

std::string knownHostName(std::string host, int port) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  return port == 22 ? host : "[" + host + "]:" + std::to_string(port);
}

HostKeyCheck checkHostKey(const std::vector<std::string>& knownHostsTexts,
                          const std::string& hostName, const std::string& blob) {
  const std::string type = sshKeyType(blob);
  HostKeyCheck result;
  bool trusted = false;
  for (const auto& textOfFile : knownHostsTexts) {
    std::istringstream lines(textOfFile);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream fields(line);
      std::string marker, hosts, keyType, key;
      fields >> hosts;
      if (hosts.empty() || hosts[0] == '#') continue;
      if (hosts[0] == '@') {
        marker = hosts;
        fields >> hosts;
      }
      fields >> keyType >> key;
      if (key.empty() || marker == "@cert-authority" || !hostsMatch(hosts, hostName)) continue;
      const std::string listed = base64Decode(key);
      if (marker == "@revoked") {
        if (listed == blob) return {HostKeyMatch::Revoked, {}};
        continue;
      }
      if (!marker.empty()) continue;
      if (listed == blob) {
        trusted = true;
      } else if (keyType == type && result.knownFingerprint.empty()) {
        result.knownFingerprint = sshFingerprint(listed);
      }
    }
  }
  // A key listed anywhere is trusted, as OpenSSH does when one file holds
  // an old key and another the new one.
  if (trusted) return {HostKeyMatch::Trusted, {}};
  result.match = result.knownFingerprint.empty() ? HostKeyMatch::Unknown : HostKeyMatch::Changed;
  return result;
}

std::string knownHostLine(const std::string& hostName, const std::string& blob) {
  return hostName + " " + sshKeyType(blob) + " " + base64Encode(blob);
}

std::string readTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool appendKnownHost(const std::string& file, const std::string& line, std::string& error) {
  const std::size_t slash = file.rfind('/');
  if (slash != std::string::npos && slash > 0 && !paths::makeDirectories(file.substr(0, slash))) {
    error = "cannot make the folder of " + file;
    return false;
  }
  std::string text = readTextFile(file);
  if (!text.empty() && text.back() != '\n') text += '\n';
  text += line + "\n";
  const auto written = writeFileAtomically(file, text);
  if (!written.ok) {
    error = "cannot write " + file;
    return false;
  }
  return true;
}

}  // namespace karone
