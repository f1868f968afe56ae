#include "platform/curl/CurlFtpClient.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <sstream>

#include "platform/curl/FtpListingTime.h"

#include "platform/FtpPath.h"

namespace karone {
namespace {

void globalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}


// Bytes that would end or split an FTP command line.
bool holdsLineBreak(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool unsafeName(const std::string& name) { return name.empty() || holdsLineBreak(name); }

FtpResult unsafe(const char* what) {
  return FtpResult::failure(FtpError::BadText,
                            std::string("not sent: the ") + what + " holds a line break or NUL");
}

long secondsCeil(long ms) { return ms <= 0 ? 0 : (ms + 999) / 1000; }

struct Address {
  std::string host;  // bracketed when IPv6
  bool tls = false;
  std::string error;
};

Address parseAddress(const std::string& raw) {
  Address a;
  std::string s = raw;
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(0, 1);
  auto startsWith = [&](const char* p) {
    std::string prefix = p;
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
  };
  if (startsWith("ftps://")) {
    a.tls = true;
    s.erase(0, 7);
  } else if (startsWith("ftp://")) {
    s.erase(0, 6);
  } else if (s.find("://") != std::string::npos) {
    a.error = "unsupported address scheme: " + raw;
    return a;
  }
  if (!s.empty() && s.back() == '/') s.pop_back();
  if (s.empty()) {
    a.error = "no server address";
    return a;
  }
  for (unsigned char c : s) {
    if (c <= ' ' || c == '/' || c == '@' || c == '?' || c == '#' || c == '\\' || c >= 0x7f) {
      a.error = "bad server address: " + raw;
      return a;
    }
  }
  auto colons = std::count(s.begin(), s.end(), ':');
  if (colons == 1) {
    a.error = "the port goes in the port field, not in the address: " + raw;
    return a;
  }
  a.host = (colons > 1 && s.front() != '[') ? "[" + s + "]" : s;
  return a;
}

FtpError errorOf(CURLcode code, bool saw421) {
  switch (code) {
    case CURLE_OK:
      return FtpError::None;
    case CURLE_URL_MALFORMAT:
      return FtpError::BadAddress;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
      return FtpError::ConnectFailed;
    case CURLE_LOGIN_DENIED:
      return FtpError::LoginFailed;
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
      return FtpError::TlsFailed;
    case CURLE_OPERATION_TIMEDOUT:
      return saw421 ? FtpError::ConnectionLost : FtpError::Timeout;
    case CURLE_GOT_NOTHING:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_FTP_ACCEPT_FAILED:
      return FtpError::ConnectionLost;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return FtpError::NotFound;
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_FTP_PORT_FAILED:
    case CURLE_FTP_COULDNT_USE_REST:
    case CURLE_FTP_COULDNT_SET_TYPE:
      return FtpError::Refused;
    case CURLE_READ_ERROR:
    case CURLE_FILE_COULDNT_READ_FILE:
      return FtpError::LocalFile;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASS_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_FTP_BAD_FILE_LIST:
      return FtpError::Protocol;
    default:
      return FtpError::Internal;
  }
}

}  // namespace

TlsTrust tlsTrustFor(const std::string& caFile,
                     const std::function<const char*(const char*)>& getenv) {
  if (!caFile.empty()) return {caFile, {}};
  auto variable = [&](const char* name) {
    const char* value = getenv(name);
    return std::string(value ? value : "");
  };
  if (std::string bundle = variable("CURL_CA_BUNDLE"); !bundle.empty()) return {bundle, {}};
  return {variable("SSL_CERT_FILE"), variable("SSL_CERT_DIR")};
}

struct CurlFtpClient::Impl {
  explicit Impl(CurlFtpOptions o) : options(std::move(o)) {}

  // One command sent during the current request and the final reply to it.
  struct Exchange {
    std::string command;
    int reply = 0;
    std::string text;  // the final reply line
  };

  CurlFtpOptions options;
  // KARONE_FTP_TRACE=1 in the environment prints the whole conversation.
  bool trace = std::getenv("KARONE_FTP_TRACE") != nullptr;
  bool session = false;
  CURL* curl = nullptr;
  CURLM* multi = nullptr;  // holds the kept connection between requests
  std::string baseUrl;  // "ftp://host:port"
  std::string cwd = "/";
  std::string lastResponse;
  bool lastResponseDone = true;
  int commands = 0;
  int logins = 0;
  char errorBuffer[CURL_ERROR_SIZE] = {};

  // Per request.
  bool loggedIn = false;
  bool sawLoginAccepted = false;  // a 230 reply
  bool saw421 = false;
  int lastReply = 0;
  std::vector<Exchange> exchanges;
  std::vector<FtpFileEntry>* listing = nullptr;
  Seconds listingNow = 0;
  // The end of the exit's budget on clock()'s monotonic counter (set from
  // any thread); kNoDeadline while there is none.
  static constexpr std::int64_t kNoDeadline = INT64_MAX;
  std::atomic<std::int64_t> deadline{kNoDeadline};

  // Milliseconds left of the budget (kNoDeadline without one, <= 0 spent).
  std::int64_t budgetLeft() const {
    const std::int64_t end = deadline.load();
    return end == kNoDeadline ? kNoDeadline : end - clock().monotonicMillis();
  }
  CURLcode budgetSpent() {
    std::snprintf(errorBuffer, sizeof errorBuffer, "%s", "the time left for the server ran out");
    return CURLE_OPERATION_TIMEDOUT;
  }

  const Clock& clock() const { return options.clock ? *options.clock : SystemClock::instance(); }

  static int debug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
    auto* self = static_cast<Impl*>(user);
    if (self->trace && (type == CURLINFO_TEXT || type == CURLINFO_HEADER_IN ||
                        type == CURLINFO_HEADER_OUT)) {
      static const char* const marks[] = {"* ", "< ", "> "};
      std::fprintf(stderr, "ftp %s%.*s", marks[type], static_cast<int>(size), data);
    }
    if (type == CURLINFO_HEADER_OUT) {
      self->sent(std::string(data, size));
    } else if (type == CURLINFO_HEADER_IN) {
      self->received(std::string(data, size));
    }
    return 0;
  }

  void sent(std::string text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      ++commands;
      if (line.rfind("USER ", 0) == 0) {
        loggedIn = true;
        ++logins;
      }
      exchanges.push_back({line, 0, {}});
    }
  }

  void received(std::string text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (lastResponseDone) {
        lastResponse.clear();
        lastResponseDone = false;
      }
      if (!lastResponse.empty()) lastResponse += "\n";
      lastResponse += line;
      bool final = line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                   std::isdigit(static_cast<unsigned char>(line[1])) &&
                   std::isdigit(static_cast<unsigned char>(line[2])) &&
                   (line.size() == 3 || line[3] == ' ');
      if (!final) continue;
      lastResponseDone = true;
      int code = std::stoi(line.substr(0, 3));
      lastReply = code;
      if (code == 421) saw421 = true;
      if (code == 230) sawLoginAccepted = true;
      for (auto& e : exchanges) {
        if (e.reply == 0) {
          if (code >= 100 && code < 200) break;  // preliminary, wait for the final one
          e.reply = code;
          e.text = line;
          break;
        }
      }
    }
  }

  // The final reply to a command sent in this request, 0 when none came.
  int replyTo(const std::string& command) const {
    const Exchange* e = exchange(command);
    return e ? e->reply : 0;
  }
  const Exchange* exchange(const std::string& command) const {
    for (auto it = exchanges.rbegin(); it != exchanges.rend(); ++it) {
      if (it->command == command) return &*it;
    }
    return nullptr;
  }

  static std::size_t discard(char*, std::size_t size, std::size_t n, void*) { return size * n; }

  // A download into memory, with a cap.
  struct Download {
    std::string* bytes = nullptr;
    std::size_t max = 0;
    bool tooLarge = false;
  };
  static std::size_t collect(char* data, std::size_t size, std::size_t n, void* user) {
    auto* d = static_cast<Download*>(user);
    if (d->bytes->size() + size * n > d->max) {
      d->tooLarge = true;
      return 0;
    }
    d->bytes->append(data, size * n);
    return size * n;
  }

  static long chunkBegin(const void* info, void* user, int) {
    auto* self = static_cast<Impl*>(user);
    const auto* f = static_cast<const curl_fileinfo*>(info);
    if (self->listing && f && f->filename) {
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
        if (f->strings.time) e.lastWrite = parseListingTime(f->strings.time, self->listingNow);
        self->listing->push_back(std::move(e));
      }
    }
    return CURL_CHUNK_BGN_FUNC_SKIP;
  }

  static long chunkEnd(void*) { return CURL_CHUNK_END_FUNC_OK; }

  // Options that belong to one request go back to their defaults.
  void resetRequest() {
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
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &Impl::discard);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, nullptr);
    // Wildcard listings switch the handle to one CWD per path part for
    // good; every other request works on absolute paths without CWD.
    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  }

  CURLcode performOnce(const std::function<bool()>& setup) {
    resetRequest();
    loggedIn = false;
    sawLoginAccepted = false;
    saw421 = false;
    lastReply = 0;
    exchanges.clear();
    errorBuffer[0] = '\0';
    if (budgetLeft() <= 0) return budgetSpent();
    if (!setup()) return CURLE_READ_ERROR;
    CURLcode code = run();
    resetRequest();
    return code;
  }

  // Drives the request set up on the handle to its end, on our own multi
  // handle rather than through curl_easy_perform. libcurl (7.88) can stop
  // at a step with nothing to wait for: when the server's EPSV/PASV reply is
  // read in the same call that sent the command, the data connection is
  // only opened by the next call, and no socket or timer brings that call
  // about. curl_easy_perform then makes it after its one-second wait, so a
  // store took a second now and then. Calling libcurl once more before
  // every wait makes that next step at once; otherwise the waits are as
  // curl_easy_perform's (on the sockets and timers of the request, at most
  // a second). A request still running when the exit's budget is spent is
  // cut short there: libcurl closes a connection taken off mid-request.
  CURLcode run() {
    CURLMcode mc = curl_multi_add_handle(multi, curl);
    int running = 1;
    while (mc == CURLM_OK) {
      mc = curl_multi_perform(multi, &running);
      if (mc == CURLM_OK && running) mc = curl_multi_perform(multi, &running);
      if (mc != CURLM_OK || !running) break;
      const std::int64_t left = budgetLeft();
      if (left <= 0) {
        curl_multi_remove_handle(multi, curl);
        return budgetSpent();
      }
      mc = curl_multi_poll(multi, nullptr, 0, static_cast<int>(std::min<std::int64_t>(1000, left)),
                           nullptr);
    }
    bool done = false;
    CURLcode code = CURLE_OK;
    int left = 0;
    while (CURLMsg* m = curl_multi_info_read(multi, &left)) {
      if (m->msg == CURLMSG_DONE && m->easy_handle == curl) {
        done = true;
        code = m->data.result;
      }
    }
    curl_multi_remove_handle(multi, curl);
    if (!done) {
      // libcurl itself failed (not the server): no retry, and say why.
      std::snprintf(errorBuffer, sizeof errorBuffer, "%s", curl_multi_strerror(mc));
      code = mc == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
    }
    return code;
  }

  // Runs a request; when it failed because the server had dropped the idle
  // connection, runs it once more on a fresh login.
  CURLcode perform(const std::function<bool()>& setup, bool retry = true) {
    CURLcode code = performOnce(setup);
    bool stale = saw421 || code == CURLE_GOT_NOTHING || code == CURLE_SEND_ERROR ||
                 code == CURLE_RECV_ERROR;
    if (code != CURLE_OK && retry && !loggedIn && stale) {
      // libcurl has closed the dead connection already, so this logs in
      // anew. (CURLOPT_FRESH_CONNECT would also apply to every step of a
      // wildcard listing, each then opening a connection of its own.)
      code = performOnce(setup);
    }
    return code;
  }

  FtpResult failure(CURLcode code, const std::string& what) const {
    std::string text = what + ": " + (errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return FtpResult::failure(errorOf(code, saw421), text, lastReply);
  }

  // A raw command that the server refused (or never answered).
  FtpResult replyFailure(FtpError error, const std::string& command,
                         const std::string& what) const {
    const Exchange* e = exchange(command);
    int reply = e ? e->reply : 0;
    std::string text = what + ": " + (e && !e->text.empty() ? e->text : "no reply");
    return FtpResult::failure(reply == 0 ? FtpError::Protocol : error, text, reply);
  }

  // URL of an absolute path: "%2F" makes the path absolute on the server.
  std::string url(const std::string& absolute) const {
    std::string out = baseUrl + "/%2F";
    std::istringstream in(absolute);
    std::string part;
    bool first = true;
    while (std::getline(in, part, '/')) {
      if (part.empty()) continue;
      char* escaped = curl_easy_escape(curl, part.data(), static_cast<int>(part.size()));
      if (!first) out += "/";
      out += escaped ? escaped : "";
      curl_free(escaped);
      first = false;
    }
    return out;
  }

  // Raw commands after which libcurl does nothing else; "*" lets a command
  // fail without closing the connection.
  CURLcode quote(const std::vector<std::string>& lines) {
    return perform([&] {
      curl_slist* list = nullptr;
      for (const auto& l : lines) list = curl_slist_append(list, ("*" + l).c_str());
      quoteList.reset(list);
      curl_easy_setopt(curl, CURLOPT_URL, url("/").c_str());
      curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
      curl_easy_setopt(curl, CURLOPT_QUOTE, list);
      return true;
    });
  }

  struct SlistFree {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
  };
  std::unique_ptr<curl_slist, SlistFree> quoteList;

  void close() {
    if (curl) {
      // Closing says QUIT and waits for the answer: not long, since a
      // server that stopped answering is a common reason to close.
      curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, 2L);
    }
    // The multi handle holds the connection, so it says the QUIT.
    if (multi) curl_multi_cleanup(multi);
    if (curl) curl_easy_cleanup(curl);
    multi = nullptr;
    curl = nullptr;
    quoteList.reset();
  }
};

CurlFtpClient::CurlFtpClient(CurlFtpOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

CurlFtpClient::~CurlFtpClient() { closeSession(); }

FtpResult CurlFtpClient::openSession(const std::string&) {
  globalInit();
  impl_->session = true;
  return FtpResult::success();
}

FtpResult CurlFtpClient::connect(const FtpConnectParams& params) {
  disconnect();
  Impl& d = *impl_;
  d.lastResponse.clear();
  d.lastResponseDone = true;
  if (!d.session) return FtpResult::failure(FtpError::NoSession, "no FTP session open");
  if (holdsLineBreak(params.address)) return unsafe("server address");
  if (holdsLineBreak(params.user)) return unsafe("user ID");
  if (holdsLineBreak(params.password)) return unsafe("password");
  Address address = parseAddress(params.address);
  if (!address.error.empty()) return FtpResult::failure(FtpError::BadAddress, address.error);
  if (params.port == 0) return FtpResult::failure(FtpError::BadAddress, "port 0");
  d.curl = curl_easy_init();
  d.multi = curl_multi_init();
  if (!d.curl || !d.multi) {
    d.close();
    return FtpResult::failure(FtpError::Internal, "cannot create a libcurl handle");
  }
  d.commands = 0;
  d.logins = 0;
  d.baseUrl = "ftp://" + address.host + ":" + std::to_string(params.port);
  CURL* c = d.curl;
  const CurlFtpOptions& o = d.options;
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // the debug callback needs it
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &Impl::debug);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, &d);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, d.errorBuffer);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "ftp");
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, o.connectTimeoutMs);
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, secondsCeil(o.responseTimeoutMs));
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, secondsCeil(o.responseTimeoutMs)));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, o.requestTimeoutMs);
  curl_easy_setopt(c, CURLOPT_ACCEPTTIMEOUT_MS, o.responseTimeoutMs);
  curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
  curl_easy_setopt(c, CURLOPT_USERNAME, params.user.c_str());
  curl_easy_setopt(c, CURLOPT_PASSWORD, params.password.c_str());
  curl_easy_setopt(c, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_NOCWD));
  curl_easy_setopt(c, CURLOPT_FTP_CREATE_MISSING_DIRS, 0L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Impl::discard);
  curl_easy_setopt(c, CURLOPT_FTPPORT, params.passive ? nullptr : "-");
  if (address.tls) {
    curl_easy_setopt(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
    curl_easy_setopt(c, CURLOPT_FTPSSLAUTH, static_cast<long>(CURLFTPAUTH_TLS));
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
    const TlsTrust trust = tlsTrustFor(o.caFile, [](const char* name) { return std::getenv(name); });
    if (!trust.caFile.empty()) curl_easy_setopt(c, CURLOPT_CAINFO, trust.caFile.c_str());
    if (!trust.caPath.empty()) curl_easy_setopt(c, CURLOPT_CAPATH, trust.caPath.c_str());
  }
  // The login is a wildcard request without body (no listing is made):
  // libcurl 7.88 leaks every entry of every later wildcard listing on a
  // handle whose first request was not a wildcard one (about 300 bytes an
  // entry, for ever growing in a program that lists for days).
  CURLcode code = d.perform(
      [&] {
        curl_easy_setopt(c, CURLOPT_URL, (d.baseUrl + "/*").c_str());
        curl_easy_setopt(c, CURLOPT_WILDCARDMATCH, 1L);
        curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
        return true;
      },
      false);
  // Without a listing, the wildcard request ends in "no file matched".
  if (code == CURLE_REMOTE_FILE_NOT_FOUND && d.loggedIn && d.sawLoginAccepted) code = CURLE_OK;
  if (code != CURLE_OK || !d.loggedIn) {
    FtpResult r = code != CURLE_OK ? d.failure(code, "cannot connect to " + params.address)
                                   : FtpResult::failure(FtpError::Protocol, "no login took place");
    if (r.error == FtpError::Refused && d.lastReply == 530) r.error = FtpError::LoginFailed;
    d.close();
    return r;
  }
  char* entry = nullptr;
  curl_easy_getinfo(c, CURLINFO_FTP_ENTRY_PATH, &entry);
  d.cwd = (entry && entry[0] == '/') ? joinFtpPath("/", entry) : "/";
  connected_ = true;
  return FtpResult::success();
}

FtpResult CurlFtpClient::currentDirectory(std::string& directory) {
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  directory = impl_->cwd;
  return FtpResult::success();
}

FtpResult CurlFtpClient::setCurrentDirectory(const std::string& directory) {
  Impl& d = *impl_;
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  if (unsafeName(directory)) return unsafe("directory name");
  std::string target = joinFtpPath(d.cwd, directory);
  std::string command = "CWD " + target;
  CURLcode code = d.quote({command});
  if (code != CURLE_OK) return d.failure(code, "cannot change to " + target);
  int reply = d.replyTo(command);
  if (reply < 200 || reply >= 300) {
    return d.replyFailure(FtpError::NotFound, command, "cannot change to " + target);
  }
  d.cwd = target;
  return FtpResult::success();
}

FtpResult CurlFtpClient::putFile(const std::string& localPath, const std::string& remoteName,
                                 FtpTransferMode) {
  Impl& d = *impl_;
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  if (unsafeName(remoteName)) return unsafe("file name");
  std::FILE* file = std::fopen(localPath.c_str(), "rb");
  if (!file) return FtpResult::failure(FtpError::LocalFile, "cannot read " + localPath);
  std::fseek(file, 0, SEEK_END);
  long size = std::ftell(file);
  std::string target = joinFtpPath(d.cwd, remoteName);
  CURLcode code = d.perform([&] {
    if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) return false;
    curl_easy_setopt(d.curl, CURLOPT_URL, d.url(target).c_str());
    curl_easy_setopt(d.curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(d.curl, CURLOPT_READDATA, file);
    curl_easy_setopt(d.curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
    return true;
  });
  std::fclose(file);
  if (code != CURLE_OK) {
    if (code == CURLE_READ_ERROR && d.exchanges.empty()) {
      return FtpResult::failure(FtpError::LocalFile, "cannot read " + localPath);
    }
    // The server took the data and then answered with an error (a full disk
    // says 452): refused, on a connection that is still there.
    const std::string stor = "STOR " + target;
    if (d.replyTo(stor) >= 400) {
      return d.replyFailure(FtpError::Refused, stor, "cannot store " + target);
    }
    return d.failure(code, "cannot store " + target);
  }
  return FtpResult::success();
}

FtpResult CurlFtpClient::getFile(const std::string& remoteName, std::string& bytes,
                                 std::size_t maxBytes) {
  Impl& d = *impl_;
  bytes.clear();
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  if (unsafeName(remoteName)) return unsafe("file name");
  std::string target = joinFtpPath(d.cwd, remoteName);
  Impl::Download download{&bytes, maxBytes, false};
  CURLcode code = d.perform([&] {
    bytes.clear();
    download.tooLarge = false;
    curl_easy_setopt(d.curl, CURLOPT_URL, d.url(target).c_str());
    curl_easy_setopt(d.curl, CURLOPT_WRITEFUNCTION, &Impl::collect);
    curl_easy_setopt(d.curl, CURLOPT_WRITEDATA, &download);
    return true;
  });
  if (download.tooLarge) {
    bytes.clear();
    return FtpResult::failure(FtpError::Refused,
                              "cannot fetch " + target + ": larger than " +
                                  std::to_string(maxBytes) + " bytes");
  }
  if (code != CURLE_OK) {
    bytes.clear();
    return d.failure(code, "cannot fetch " + target);
  }
  return FtpResult::success();
}

FtpResult CurlFtpClient::deleteFile(const std::string& remoteName) {
  Impl& d = *impl_;
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  if (unsafeName(remoteName)) return unsafe("file name");
  std::string command = "DELE " + joinFtpPath(d.cwd, remoteName);
  CURLcode code = d.quote({command});
  if (code != CURLE_OK) return d.failure(code, "cannot delete " + remoteName);
  int reply = d.replyTo(command);
  if (reply < 200 || reply >= 300) {
    return d.replyFailure(reply == 550 ? FtpError::NotFound : FtpError::Refused, command,
                          "cannot delete " + remoteName);
  }
  return FtpResult::success();
}

FtpResult CurlFtpClient::renameFile(const std::string& from, const std::string& to) {
  Impl& d = *impl_;
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  if (unsafeName(from) || unsafeName(to)) return unsafe("file name");
  std::string rnfr = "RNFR " + joinFtpPath(d.cwd, from);
  std::string rnto = "RNTO " + joinFtpPath(d.cwd, to);
  CURLcode code = d.quote({rnfr, rnto});
  if (code != CURLE_OK) return d.failure(code, "cannot rename " + from);
  int first = d.replyTo(rnfr);
  if (first < 300 || first >= 400) {
    return d.replyFailure(first == 550 ? FtpError::NotFound : FtpError::Refused, rnfr,
                          "cannot rename " + from);
  }
  int second = d.replyTo(rnto);
  if (second < 200 || second >= 300) {
    return d.replyFailure(FtpError::Refused, rnto, "cannot rename " + from + " to " + to);
  }
  return FtpResult::success();
}

FtpResult CurlFtpClient::listDirectory(std::vector<FtpFileEntry>& entries) {
  Impl& d = *impl_;
  entries.clear();
  if (!connected_) return FtpResult::failure(FtpError::NotConnected, "not connected");
  std::string dirUrl = d.url(d.cwd);
  // libcurl splits the pattern off at the last '/' of the raw URL path,
  // so the root needs "/%2F/*", not "/%2F*".
  std::string pattern = dirUrl + "/*";
  d.listingNow = d.clock().now();
  CURLcode code = d.perform([&] {
    entries.clear();
    d.listing = &entries;
    curl_easy_setopt(d.curl, CURLOPT_URL, pattern.c_str());
    curl_easy_setopt(d.curl, CURLOPT_WILDCARDMATCH, 1L);
    curl_easy_setopt(d.curl, CURLOPT_CHUNK_BGN_FUNCTION, &Impl::chunkBegin);
    curl_easy_setopt(d.curl, CURLOPT_CHUNK_END_FUNCTION, &Impl::chunkEnd);
    curl_easy_setopt(d.curl, CURLOPT_CHUNK_DATA, &d);
    return true;
  });
  d.listing = nullptr;
  // libcurl reports a listing with no entries as "file not found".
  if (code == CURLE_REMOTE_FILE_NOT_FOUND) {
    entries.clear();
    return FtpResult::success();
  }
  if (code != CURLE_OK) {
    entries.clear();
    return d.failure(code, "cannot list " + d.cwd);
  }
  return FtpResult::success();
}

std::string CurlFtpClient::lastResponseText() const { return impl_->lastResponse; }

void CurlFtpClient::disconnect() {
  connected_ = false;
  impl_->close();
}

void CurlFtpClient::setDeadlineIn(std::int64_t millis) {
  impl_->deadline = impl_->clock().monotonicMillis() + std::max<std::int64_t>(0, millis);
}

void CurlFtpClient::closeSession() {
  disconnect();
  impl_->session = false;
}

int CurlFtpClient::commandsSent() const { return impl_->commands; }
int CurlFtpClient::loginsMade() const { return impl_->logins; }

}  // namespace karone
