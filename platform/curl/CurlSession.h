#pragma once
// What the libcurl connections (FTP, SFTP) share: the easy and multi
// handles of one connection, the loop that drives a request on them, the
// conversation trace, the server address as the profile writes it, and the
// mapping of libcurl's result codes to FtpError.
//
// Threading: as FtpClient (one thread at a time).
#include <curl/curl.h>

#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "platform/FtpClient.h"

namespace karone {

// The protocol an address names: a plain host or "ftp://host" is FTP,
// "ftps://host" FTP over explicit TLS, "sftp://host" SFTP over SSH.
enum class ServerScheme { Ftp, Ftps, Sftp };

struct ServerAddress {
  ServerScheme scheme = ServerScheme::Ftp;
  std::string host;   // bracketed when IPv6
  std::string error;  // why the address cannot be used ("" when it can)
};

ServerAddress parseServerAddress(const std::string& raw);

// Bytes that would end or split a command line.
bool holdsLineBreak(const std::string& text);
bool unsafeName(const std::string& name);
FtpResult unsafeText(const char* what);

FtpError errorOfCurl(CURLcode code, bool saw421);

void curlGlobalInit();

struct CurlTimeouts {
  long connectMs = 15000;
  long responseMs = 30000;
  long requestMs = 120000;
};

class CurlSession {
 public:
  CurlSession() = default;
  ~CurlSession() { close(); }
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;

  // Creates the handles with the options every request shares (trace,
  // error buffer, time-outs, the one protocol allowed). False when libcurl
  // cannot make them.
  bool open(const char* protocol, const CurlTimeouts& timeouts);
  bool isOpen() const { return curl_ != nullptr; }

  // Drives the request set up on the handle to its end; a request still
  // running when the budget is spent is cut short there (libcurl closes a
  // connection taken off mid-request).
  CURLcode run();

  // The exit's budget: the end on clock's monotonic counter, kNoDeadline
  // while there is none (set from any thread by the owner).
  static constexpr std::int64_t kNoDeadline = INT64_MAX;
  void setBudget(const std::atomic<std::int64_t>* deadline, const Clock* clock) {
    deadline_ = deadline;
    clock_ = clock;
  }
  // Milliseconds left of the budget (kNoDeadline without one, <= 0 spent).
  std::int64_t budgetLeft() const;
  // The failure of a request made or cut short once the budget is spent.
  CURLcode budgetSpent();

  // Closes the connection, waiting at most quitSeconds for a goodbye.
  void close(long quitSeconds = 2);

  CURL* curl() const { return curl_; }
  const char* errorBuffer() const { return errorBuffer_; }
  void clearError() { errorBuffer_[0] = '\0'; }
  // "what: reason" with libcurl's reason for code.
  std::string errorText(CURLcode code, const std::string& what) const;

  // Every line libcurl logs (its own notes, what was sent, what came in)
  // goes here; KARONE_FTP_TRACE=1 also prints them on stderr.
  std::function<void(curl_infotype, const std::string&)> onDebug;

  // An absolute path as URL path segments, each escaped ("/a b/c" -> "/a%20b/c").
  std::string escapedPath(const std::string& absolute) const;

 private:
  static int debug(CURL*, curl_infotype type, char* data, size_t size, void* user);

  const std::atomic<std::int64_t>* deadline_ = nullptr;
  const Clock* clock_ = nullptr;
  CURL* curl_ = nullptr;
  CURLM* multi_ = nullptr;  // holds the kept connection between requests
  bool trace_ = false;
  char errorBuffer_[CURL_ERROR_SIZE] = {};
};

// A download into memory with a cap; a larger file ends the transfer.
struct CurlDownload {
  std::string* bytes = nullptr;
  std::size_t max = 0;
  bool tooLarge = false;
  static std::size_t collect(char* data, std::size_t size, std::size_t n, void* user);
};
inline std::size_t curlDiscard(char*, std::size_t size, std::size_t n, void*) { return size * n; }

struct CurlSlistFree {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
using CurlSlist = std::unique_ptr<curl_slist, CurlSlistFree>;

}  // namespace karone
