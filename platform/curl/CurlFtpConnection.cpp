#include "platform/curl/CurlFtpConnection.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "platform/FtpPath.h"
#include "platform/curl/FtpListingTime.h"
#include "platform/curl/TlsVerification.h"

namespace karone {
namespace {

class FtpConnection final : public CurlConnection {
 public:
  FtpConnection(const CurlFtpOptions& options, const std::atomic<std::int64_t>& deadline)
      : options_(options) {
    session_.setBudget(&deadline, options.clock ? options.clock : &SystemClock::instance());
    session_.onDebug = [this](curl_infotype type, const std::string& text) {
      if (type == CURLINFO_HEADER_OUT) sent(text);
      if (type == CURLINFO_HEADER_IN) received(text);
    };
  }
  ~FtpConnection() override { close(); }

  FtpResult connect(const FtpConnectParams& params, const ServerAddress& address,
                    std::string& home) override;
  FtpResult checkDirectory(const std::string& path) override;
  FtpResult put(const std::string& localPath, const std::string& path) override;
  FtpResult get(const std::string& path, std::string& bytes, std::size_t maxBytes) override;
  FtpResult remove(const std::string& path) override;
  FtpResult rename(const std::string& from, const std::string& to) override;
  FtpResult list(const std::string& directory, std::vector<FtpFileEntry>& entries) override;
  std::string lastResponse() const override { return lastResponse_; }
  int commandsSent() const override { return commands_; }
  int loginsMade() const override { return logins_; }
  std::optional<ServerIdentity> untrustedServer() const override { return tls_.untrusted(); }
  FtpResult trustServer(const ServerIdentity& identity) override {
    return tls_.trust(identity);
  }
  void close() override {
    session_.close();
    quoteList_.reset();
  }

 private:
  // One command sent during the current request and the final reply to it.
  struct Exchange {
    std::string command;
    int reply = 0;
    std::string text;  // the final reply line
  };

  void sent(const std::string& text);
  void received(const std::string& text);
  int replyTo(const std::string& command) const {
    const Exchange* e = exchange(command);
    return e ? e->reply : 0;
  }
  const Exchange* exchange(const std::string& command) const {
    for (auto it = exchanges_.rbegin(); it != exchanges_.rend(); ++it) {
      if (it->command == command) return &*it;
    }
    return nullptr;
  }
  void resetRequest();
  CURLcode performOnce(const std::function<bool()>& setup);
  CURLcode perform(const std::function<bool()>& setup, bool retry = true);
  FtpResult failure(CURLcode code, const std::string& what) const {
    // A reply that was no refusal (the 200 to TYPE before a frozen STOR) is
    // not why the request failed.
    return FtpResult::failure(errorOfCurl(code, saw421_), session_.errorText(code, what),
                              lastReply_ >= 400 ? lastReply_ : 0);
  }
  FtpResult replyFailure(FtpError error, const std::string& command,
                         const std::string& what) const;
  // "%2F" makes the path absolute on the server.
  std::string url(const std::string& absolute) const {
    const std::string path = session_.escapedPath(absolute);
    return baseUrl_ + "/%2F" + (path.empty() ? "" : path.substr(1));
  }
  CURLcode quote(const std::vector<std::string>& lines);

  static long chunkBegin(const void* info, void* user, int);
  static long chunkEnd(void*) { return CURL_CHUNK_END_FUNC_OK; }

  const CurlFtpOptions& options_;
  CurlSession session_;
  TlsVerification tls_;
  std::string baseUrl_;  // "ftp://host:port"
  std::string lastResponse_;
  bool lastResponseDone_ = true;
  int commands_ = 0;
  int logins_ = 0;
  CurlSlist quoteList_;

  // Per request.
  bool loggedIn_ = false;
  bool sawLoginAccepted_ = false;  // a 230 reply
  bool saw421_ = false;
  int lastReply_ = 0;
  std::vector<Exchange> exchanges_;
  std::vector<FtpFileEntry>* listing_ = nullptr;
  Seconds listingNow_ = 0;
};

void FtpConnection::sent(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    ++commands_;
    if (line.rfind("USER ", 0) == 0) {
      loggedIn_ = true;
      ++logins_;
    }
    exchanges_.push_back({line, 0, {}});
  }
}

void FtpConnection::received(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (lastResponseDone_) {
      lastResponse_.clear();
      lastResponseDone_ = false;
    }
    if (!lastResponse_.empty()) lastResponse_ += "\n";
    lastResponse_ += line;
    bool final = line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                 std::isdigit(static_cast<unsigned char>(line[1])) &&
                 std::isdigit(static_cast<unsigned char>(line[2])) &&
                 (line.size() == 3 || line[3] == ' ');
    if (!final) continue;
    lastResponseDone_ = true;
    int code = std::stoi(line.substr(0, 3));
    lastReply_ = code;
    if (code == 421) saw421_ = true;
    if (code == 230) sawLoginAccepted_ = true;
    for (auto& e : exchanges_) {
      if (e.reply == 0) {
        if (code >= 100 && code < 200) break;  // preliminary, wait for the final one
        e.reply = code;
        e.text = line;
        break;
      }
    }
  }
}

long FtpConnection::chunkBegin(const void* info, void* user, int) {
  auto* self = static_cast<FtpConnection*>(user);
  const auto* f = static_cast<const curl_fileinfo*>(info);
  if (self->listing_ && f && f->filename) {
    std::string name = f->filename;
    if (name != "." && name != "..") {
      FtpFileEntry e;
      e.name = std::move(name);
      e.attributes = f->filetype == CURLFILETYPE_DIRECTORY ? kFtpAttributeDirectory
                     : f->filetype == CURLFILETYPE_SYMLINK ? kFtpAttributeSymlink
                                                           : kFtpAttributeNormal;
      if ((f->flags & CURLFINFOFLAG_KNOWN_SIZE) && f->size > 0) {
        auto size = static_cast<std::uint64_t>(f->size);
        e.sizeLow = static_cast<std::uint32_t>(size & 0xffffffffu);
        e.sizeHigh = static_cast<std::uint32_t>(size >> 32);
      }
      if (f->strings.time) e.lastWrite = parseListingTime(f->strings.time, self->listingNow_);
      self->listing_->push_back(std::move(e));
    }
  }
  return CURL_CHUNK_BGN_FUNC_SKIP;
}

// Options that belong to one request go back to their defaults.
void FtpConnection::resetRequest() {
  CURL* curl = session_.curl();
  curl_easy_setopt(curl, CURLOPT_QUOTE, nullptr);
  curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
  curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
  curl_easy_setopt(curl, CURLOPT_READDATA, nullptr);
  curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(-1));
  curl_easy_setopt(curl, CURLOPT_WILDCARDMATCH, 0L);
  curl_easy_setopt(curl, CURLOPT_CHUNK_BGN_FUNCTION, nullptr);
  curl_easy_setopt(curl, CURLOPT_CHUNK_END_FUNCTION, nullptr);
  curl_easy_setopt(curl, CURLOPT_CHUNK_DATA, nullptr);
  curl_easy_setopt(curl, CURLOPT_TRANSFERTEXT, 0L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &curlDiscard);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
  // Wildcard listings switch the handle to one CWD per path part for
  // good; every other request works on absolute paths without CWD.
  curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
}

CURLcode FtpConnection::performOnce(const std::function<bool()>& setup) {
  resetRequest();
  loggedIn_ = false;
  sawLoginAccepted_ = false;
  saw421_ = false;
  lastReply_ = 0;
  exchanges_.clear();
  session_.clearError();
  if (session_.budgetLeft() <= 0) return session_.budgetSpent();
  if (!setup()) return CURLE_READ_ERROR;
  CURLcode code = session_.run();
  resetRequest();
  return code;
}

// Runs a request; when it failed because the server had dropped the idle
// connection, runs it once more on a fresh login.
CURLcode FtpConnection::perform(const std::function<bool()>& setup, bool retry) {
  CURLcode code = performOnce(setup);
  bool stale = saw421_ || code == CURLE_GOT_NOTHING || code == CURLE_SEND_ERROR ||
               code == CURLE_RECV_ERROR;
  if (code != CURLE_OK && retry && !loggedIn_ && stale) {
    // libcurl has closed the dead connection already, so this logs in
    // anew. (CURLOPT_FRESH_CONNECT would also apply to every step of a
    // wildcard listing, each then opening a connection of its own.)
    code = performOnce(setup);
  }
  return code;
}

// A raw command that the server refused (or never answered).
FtpResult FtpConnection::replyFailure(FtpError error, const std::string& command,
                                      const std::string& what) const {
  const Exchange* e = exchange(command);
  int reply = e ? e->reply : 0;
  std::string text = what + ": " + (e && !e->text.empty() ? e->text : "no reply");
  return FtpResult::failure(reply == 0 ? FtpError::Protocol : error, text, reply);
}

// Raw commands after which libcurl does nothing else; "*" lets a command
// fail without closing the connection.
CURLcode FtpConnection::quote(const std::vector<std::string>& lines) {
  return perform([&] {
    curl_slist* list = nullptr;
    for (const auto& l : lines) list = curl_slist_append(list, ("*" + l).c_str());
    quoteList_.reset(list);
    curl_easy_setopt(session_.curl(), CURLOPT_URL, url("/").c_str());
    curl_easy_setopt(session_.curl(), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(session_.curl(), CURLOPT_QUOTE, list);
    return true;
  });
}

FtpResult FtpConnection::connect(const FtpConnectParams& params, const ServerAddress& address,
                                 std::string& home) {
  lastResponse_.clear();
  lastResponseDone_ = true;
  tls_.reset();
  CurlTimeouts timeouts{options_.connectTimeoutMs, options_.responseTimeoutMs,
                        options_.requestTimeoutMs};
  if (!session_.open("ftp", timeouts)) {
    return FtpResult::failure(FtpError::Internal, "cannot create a libcurl handle");
  }
  commands_ = 0;
  logins_ = 0;
  baseUrl_ = "ftp://" + address.host + ":" + std::to_string(params.port);
  CURL* c = session_.curl();
  curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, options_.responseTimeoutMs);
  curl_easy_setopt(c, CURLOPT_USERNAME, params.user.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, params.password.c_str());
  curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(c, CURLOPT_FTP_CREATE_MISSING_DIRS, 0L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &curlDiscard);
  curl_easy_setopt(c, CURLOPT_FTPPORT, params.passive ? nullptr : "-");
  if (address.scheme == ServerScheme::Ftps) {
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    const TlsTrust trust = tlsTrustFor(options_.caFile, [](const char* name) { return std::getenv(name); });
    if (!trust.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, trust.caFile.c_str());
    if (!trust.caPath.empty()) curl_easy_setopt(c, CURLOPT_CAPATH, trust.caPath.c_str());
    tls_.install(c, address.host, params.port, resolvedCertificatePinsFile(options_));
  }
  // The login is a wildcard request without body (no listing is made):
  // libcurl 7.88 leaks every entry of every later wildcard listing on a
  // handle whose first request was not a wildcard one (about 300 bytes an
  // entry, for ever growing in a program that lists for days).
  CURLcode code = perform(
      [&] {
        curl_easy_setopt(c, CURLOPT_URL, (baseUrl_ + "/*").c_str());
        curl_easy_setopt(c, CURLOPT_WILDCARDMATCH, 1L);
        curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
        return true;
      },
      false);
  // Without a listing, the wildcard request ends in "no file matched".
  if (code == CURLE_REMOTE_FILE_NOT_FOUND && loggedIn_ && sawLoginAccepted_) code = CURLE_OK;
  if (code != CURLE_OK || !loggedIn_) {
    FtpResult r = code != CURLE_OK ? failure(code, "cannot connect to " + params.address)
                                   : FtpResult::failure(FtpError::Protocol, "no login took place");
    if (r.error == FtpError::Refused && lastReply_ == 530) r.error = FtpError::LoginFailed;
    if (r.error == FtpError::TlsFailed) r.text = tls_.explain(r.text);
    close();
    return r;
  }
  char* entry = nullptr;
  curl_easy_getinfo(c, CURLINFO_FTP_ENTRY_PATH, &entry);
  home = (entry && entry[0] == '/') ? joinFtpPath("/", entry) : "/";
  return FtpResult::success();
}

FtpResult FtpConnection::checkDirectory(const std::string& target) {
  std::string command = "CWD " + target;
  CURLcode code = quote({command});
  if (code != CURLE_OK) return failure(code, "cannot change to " + target);
  int reply = replyTo(command);
  if (reply < 200 || reply >= 300) {
    return replyFailure(FtpError::NotFound, command, "cannot change to " + target);
  }
  return FtpResult::success();
}

FtpResult FtpConnection::put(const std::string& localPath, const std::string& target) {
  std::FILE* file = std::fopen(localPath.c_str(), "rb");
  if (!file) return FtpResult::failure(FtpError::LocalFile, "cannot read " + localPath);
  std::fseek(file, 0, SEEK_END);
  long size = std::ftell(file);
  CURLcode code = perform([&] {
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
    curl_easy_setopt(session_.curl(), CURLOPT_URL, url(target).c_str());
    curl_easy_setopt(session_.curl(), CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(session_.curl(), CURLOPT_READDATA, file);
    curl_easy_setopt(session_.curl(), CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    return true;
  });
  std::fclose(file);
  if (code != CURLE_OK) {
    if (code == CURLE_READ_ERROR && exchanges_.empty()) {
      return FtpResult::failure(FtpError::LocalFile, "cannot read " + localPath);
    }
    // The server took the data and then answered with an error (a full disk
    // says 452): refused, on a connection that is still there.
    const std::string stor = "STOR " + target;
    if (replyTo(stor) >= 400) return replyFailure(FtpError::Refused, stor, "cannot store " + target);
    return failure(code, "cannot store " + target);
  }
  return FtpResult::success();
}

FtpResult FtpConnection::get(const std::string& target, std::string& bytes,
                             std::size_t maxBytes) {
  CurlDownload download{&bytes, maxBytes, false};
  CURLcode code = perform([&] {
    bytes.clear();
    download.tooLarge = false;
    curl_easy_setopt(session_.curl(), CURLOPT_URL, url(target).c_str());
    curl_easy_setopt(session_.curl(), CURLOPT_WRITEFUNCTION, &CurlDownload::collect);
    curl_easy_setopt(session_.curl(), CURLOPT_WRITEDATA, &download);
    return true;
  });
  if (download.tooLarge) {
    bytes.clear();
    return FtpResult::failure(FtpError::Refused, "cannot fetch " + target + ": larger than " +
                                                     std::to_string(maxBytes) + " bytes");
  }
  if (code != CURLE_OK) {
    bytes.clear();
    return failure(code, "cannot fetch " + target);
  }
  return FtpResult::success();
}

FtpResult FtpConnection::remove(const std::string& target) {
  std::string command = "DELE " + target;
  CURLcode code = quote({command});
  if (code != CURLE_OK) return failure(code, "cannot delete " + target);
  int reply = replyTo(command);
  if (reply < 200 || reply >= 300) {
    return replyFailure(reply == 550 ? FtpError::NotFound : FtpError::Refused, command,
                        "cannot delete " + target);
  }
  return FtpResult::success();
}

FtpResult FtpConnection::rename(const std::string& from, const std::string& to) {
  std::string rnfr = "RNFR " + from;
  std::string rnto = "RNTO " + to;
  CURLcode code = quote({rnfr, rnto});
  if (code != CURLE_OK) return failure(code, "cannot rename " + from);
  int first = replyTo(rnfr);
  if (first < 300 || first >= 400) {
    return replyFailure(first == 550 ? FtpError::NotFound : FtpError::Refused, rnfr,
                        "cannot rename " + from);
  }
  int second = replyTo(rnto);
  if (second < 200 || second >= 300) {
    return replyFailure(FtpError::Refused, rnto, "cannot rename " + from + " to " + to);
  }
  return FtpResult::success();
}

FtpResult FtpConnection::list(const std::string& directory, std::vector<FtpFileEntry>& entries) {
  // libcurl splits the pattern off at the last '/' of the raw URL path,
  // so the root needs "/%2F/*", not "/%2F*".
  std::string pattern = url(directory) + "/*";
  listingNow_ = (options_.clock ? *options_.clock : SystemClock::instance()).now();
  CURLcode code = perform([&] {
    entries.clear();
    listing_ = &entries;
    CURL* c = session_.curl();
    curl_easy_setopt(c, CURLOPT_URL, pattern.c_str());
    curl_easy_setopt(c, CURLOPT_WILDCARDMATCH, 1L);
    curl_easy_setopt(c, CURLOPT_CHUNK_BGN_FUNCTION, &FtpConnection::chunkBegin);
    curl_easy_setopt(c, CURLOPT_CHUNK_END_FUNCTION, &FtpConnection::chunkEnd);
    curl_easy_setopt(c, CURLOPT_CHUNK_DATA, this);
    return true;
  });
  listing_ = nullptr;
  // libcurl reports a listing with no entries as "file not found".
  if (code == CURLE_REMOTE_FILE_NOT_FOUND) {
    entries.clear();
    return FtpResult::success();
  }
  if (code != CURLE_OK) {
    entries.clear();
    return failure(code, "cannot list " + directory);
  }
  return FtpResult::success();
}

}  // namespace

std::unique_ptr<CurlConnection> makeCurlFtpConnection(const CurlFtpOptions& options,
                                                    const std::atomic<std::int64_t>& deadline) {
  return std::make_unique<FtpConnection>(options, deadline);
}

}  // namespace karone
