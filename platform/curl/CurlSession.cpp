#include "platform/curl/CurlSession.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>

namespace karone {
namespace {

long secondsCeil(long ms) { return ms <= 0 ? 0 : (ms + 999) / 1000; }

}  // namespace

void curlGlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool holdsLineBreak(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

bool unsafeName(const std::string& name) { return name.empty() || holdsLineBreak(name); }

FtpResult unsafeText(const char* what) {
  return FtpResult::failure(FtpError::BadText,
                            std::string("not sent: the ") + what + " holds a line break or NUL");
}

ServerAddress parseServerAddress(const std::string& raw) {
  ServerAddress a;
  std::string s = raw;
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.erase(0, 1);
  auto startsWith = [&](const std::string& prefix) {
    if (s.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
      if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    }
    return true;
  };
  static const struct {
    const char* prefix;
    ServerScheme scheme;
  } schemes[] = {
      {"ftps://", ServerScheme::Ftps},
      {"ftp://", ServerScheme::Ftp},
      {"sftp://", ServerScheme::Sftp},
  };
  bool named = false;
  for (const auto& scheme : schemes) {
    if (startsWith(scheme.prefix)) {
      a.scheme = scheme.scheme;
      s.erase(0, std::string(scheme.prefix).size());
      named = true;
      break;
    }
  }
  if (!named && s.find("://") != std::string::npos) {
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

FtpError errorOfCurl(CURLcode code, bool saw421) {
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
    case CURLE_SSH:
      return FtpError::ConnectionLost;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
      return FtpError::NotFound;
    case CURLE_UPLOAD_FAILED:
    case CURLE_QUOTE_ERROR:
    case CURLE_REMOTE_DISK_FULL:
    case CURLE_REMOTE_FILE_EXISTS:
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

std::size_t CurlDownload::collect(char* data, std::size_t size, std::size_t n, void* user) {
  auto* d = static_cast<CurlDownload*>(user);
  if (d->bytes->size() + size * n > d->max) {
    d->tooLarge = true;
    return 0;
  }
  d->bytes->append(data, size * n);
  return size * n;
}

bool CurlSession::open(const char* protocol, const CurlTimeouts& t) {
  close();
  curl_ = curl_easy_init();
  multi_ = curl_multi_init();
  if (!curl_ || !multi_) {
    close();
    return false;
  }
  trace_ = std::getenv("KARONE_FTP_TRACE") != nullptr;
  CURL* c = curl_;
  curl_easy_setopt(c, CURLOPT_VERBOSE, 1L);  // the debug callback needs it
  curl_easy_setopt(c, CURLOPT_DEBUGFUNCTION, &CurlSession::debug);
  curl_easy_setopt(c, CURLOPT_DEBUGDATA, this);
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer_);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_NOPROGRESS, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, protocol);
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, t.connectMs);
  curl_easy_setopt(c, CURLOPT_SERVER_RESPONSE_TIMEOUT, secondsCeil(t.responseMs));
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, std::max(1L, secondsCeil(t.responseMs)));
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, t.requestMs);
  curl_easy_setopt(c, CURLOPT_TCP_KEEPALIVE, 1L);
  return true;
}

int CurlSession::debug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  auto* self = static_cast<CurlSession*>(user);
  if (type != CURLINFO_TEXT && type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT) {
    return 0;
  }
  if (self->trace_) {
    static const char* const marks[] = {"* ", "< ", "> "};
    std::fprintf(stderr, "ftp %s%.*s", marks[type], static_cast<int>(size), data);
  }
  if (self->onDebug) self->onDebug(type, std::string(data, size));
  return 0;
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
// a second).
CURLcode CurlSession::run() {
  CURLMcode mc = curl_multi_add_handle(multi_, curl_);
  int running = 1;
  while (mc == CURLM_OK) {
    mc = curl_multi_perform(multi_, &running);
    if (mc == CURLM_OK && running) mc = curl_multi_perform(multi_, &running);
    if (mc != CURLM_OK || !running) break;
    const std::int64_t left = budgetLeft();
    if (left <= 0) {
      curl_multi_remove_handle(multi_, curl_);
      return budgetSpent();
    }
    mc = curl_multi_poll(multi_, nullptr, 0, static_cast<int>(std::min<std::int64_t>(1000, left)),
                         nullptr);
  }
  bool done = false;
  CURLcode code = CURLE_OK;
  int left = 0;
  while (CURLMsg* m = curl_multi_info_read(multi_, &left)) {
    if (m->msg == CURLMSG_DONE && m->easy_handle == curl_) {
      done = true;
      code = m->data.result;
    }
  }
  curl_multi_remove_handle(multi_, curl_);
  if (!done) {
    // libcurl itself failed (not the server): say why.
    std::snprintf(errorBuffer_, sizeof errorBuffer_, "%s", curl_multi_strerror(mc));
    code = mc == CURLM_OUT_OF_MEMORY ? CURLE_OUT_OF_MEMORY : CURLE_FAILED_INIT;
  }
  return code;
}

std::int64_t CurlSession::budgetLeft() const {
  const std::int64_t end = deadline_ ? deadline_->load() : kNoDeadline;
  if (end == kNoDeadline || !clock_) return kNoDeadline;
  return end - clock_->monotonicMillis();
}

CURLcode CurlSession::budgetSpent() {
  std::snprintf(errorBuffer_, sizeof errorBuffer_, "%s", "the time left for the server ran out");
  return CURLE_OPERATION_TIMEDOUT;
}

std::string CurlSession::errorText(CURLcode code, const std::string& what) const {
  std::string text = what + ": " + (errorBuffer_[0] ? errorBuffer_ : curl_easy_strerror(code));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string CurlSession::escapedPath(const std::string& absolute) const {
  std::string out;
  std::istringstream in(absolute);
  std::string part;
  while (std::getline(in, part, '/')) {
    if (part.empty()) continue;
    char* escaped = curl_easy_escape(curl_, part.data(), static_cast<int>(part.size()));
    out += "/";
    out += escaped ? escaped : "";
    curl_free(escaped);
  }
  return out;
}

void CurlSession::close(long quitSeconds) {
  // Closing says goodbye and waits for the answer: not long, since a
  // server that stopped answering is a common reason to close.
  if (curl_) curl_easy_setopt(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, quitSeconds);
  // The multi handle holds the connection, so it says the goodbye.
  if (multi_) curl_multi_cleanup(multi_);
  if (curl_) curl_easy_cleanup(curl_);
  multi_ = nullptr;
  curl_ = nullptr;
}

}  // namespace karone
