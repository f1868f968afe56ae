#include "tests/doubles/FakeFtpClient.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/FtpPath.h"

namespace karone {
namespace {

std::string parentOf(const std::string& path) {
  if (path == "/") return "/";
  auto slash = path.rfind('/');
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }


bool holdsLineBreak(const std::string& text) {
  return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

FtpResult badText() {
  return FtpResult::failure(FtpError::BadText, "not sent: a line break or NUL");
}

const char* modeName(FtpTransferMode mode) {
  return mode == FtpTransferMode::Ascii ? "ascii" : "binary";
}

}  // namespace

FakeFtpClient::FakeFtpClient(std::string entryDirectory)
    : entryDirectory_(joinFtpPath("/", entryDirectory)), cwd_(entryDirectory_) {
  nodes_["/"].directory = true;
  addDirectoryLocked(entryDirectory_);
}

std::optional<FtpResult> FakeFtpClient::begin(FtpOperation operation, const std::string& line,
                                              bool needsConnection, long long* keep) {
  std::function<void(const std::string&)> hook;
  {
    std::lock_guard lock(mutex_);
    transcript_.push_back(line);
    hook = hook_;
  }
  if (hook) hook(line);
  std::lock_guard lock(mutex_);
  if (operation != FtpOperation::OpenSession && clock_ != nullptr) {
    const std::int64_t left =
        deadline_ ? *deadline_ - clock_->monotonicMillis() : INT64_MAX;
    if (replyMillis_ >= 0) {
      clock_->advanceMillis(std::clamp<std::int64_t>(left, 0, replyMillis_));
      return FtpResult::failure(FtpError::Timeout, "no answer");
    }
    if (left <= 0) return FtpResult::failure(FtpError::Timeout, "the time ran out");
  }
  std::optional<FtpResult> injected;
  long long keepBytes = -1;
  auto [first, last] = failures_.equal_range(operation);
  for (auto it = first; it != last;) {
    Failure& f = it->second;
    if (f.remaining < 0) {
      if (!injected) injected = f.result;
      ++it;
    } else if (f.remaining == 0) {
      if (!injected) {
        injected = f.result;
        keepBytes = f.keep;
      }
      it = failures_.erase(it);
    } else {
      --f.remaining;
      ++it;
    }
  }
  if (operation == FtpOperation::OpenSession || operation == FtpOperation::Connect) {
    return injected;
  }
  if (needsConnection && !connected_) {
    return FtpResult::failure(FtpError::NotConnected, "not connected");
  }
  if (needsConnection && dropped_) {
    lastResponse_.clear();
    return FtpResult::failure(FtpError::ConnectionLost, "connection closed by the server");
  }
  if (injected && injected->reply != 0) {
    lastResponse_ = std::to_string(injected->reply) + " " + injected->text;
  }
  if (injected && keep) *keep = keepBytes;
  return injected;
}

FtpResult FakeFtpClient::replyLocked(int code, const std::string& text) {
  lastResponse_ = std::to_string(code) + " " + text;
  return FtpResult::success();
}

FtpResult FakeFtpClient::failLocked(FtpError error, int code, const std::string& text) {
  lastResponse_ = std::to_string(code) + " " + text;
  return FtpResult::failure(error, text, code);
}

std::string FakeFtpClient::resolveLocked(const std::string& name) const {
  return joinFtpPath(cwd_, name);
}

void FakeFtpClient::addDirectoryLocked(const std::string& path) {
  std::string p = joinFtpPath("/", path);
  while (true) {
    nodes_[p].directory = true;
    nodes_[p].attributes = kFtpAttributeDirectory;
    if (p == "/") break;
    p = parentOf(p);
  }
}

FtpResult FakeFtpClient::openSession(const std::string& agent) {
  if (auto f = begin(FtpOperation::OpenSession, "open " + agent, false)) return *f;
  std::lock_guard lock(mutex_);
  session_ = true;
  return FtpResult::success();
}

FtpResult FakeFtpClient::connect(const FtpConnectParams& params) {
  std::string line = "connect " + params.address + " " + std::to_string(params.port) + " " +
                     params.user + (params.passive ? " passive" : " active");
  auto injected = begin(FtpOperation::Connect, line, false);
  std::lock_guard lock(mutex_);
  connected_ = false;
  dropped_ = false;
  if (!session_) return FtpResult::failure(FtpError::NoSession, "no session");
  if (holdsLineBreak(params.address) || holdsLineBreak(params.user) ||
      holdsLineBreak(params.password)) {
    return badText();
  }
  if (injected) return *injected;
  if (refuseConnect_) {
    lastResponse_.clear();
    return FtpResult::failure(FtpError::ConnectFailed, "connection refused");
  }
  if (credentials_ && (credentials_->first != params.user || credentials_->second != params.password)) {
    return failLocked(FtpError::LoginFailed, 530, "Login incorrect.");
  }
  connected_ = true;
  cwd_ = entryDirectory_;
  ++connects_;
  lastConnect_ = params;
  return replyLocked(230, "Login successful.");
}

bool FakeFtpClient::isConnected() const {
  std::lock_guard lock(mutex_);
  return connected_;
}

FtpResult FakeFtpClient::currentDirectory(std::string& directory) {
  if (auto f = begin(FtpOperation::Pwd, "pwd", true)) return *f;
  std::lock_guard lock(mutex_);
  directory = cwd_;
  return replyLocked(257, "\"" + cwd_ + "\" is the current directory.");
}

FtpResult FakeFtpClient::setCurrentDirectory(const std::string& directory) {
  if (auto f = begin(FtpOperation::Cd, "cd " + directory, true)) return *f;
  if (holdsLineBreak(directory)) return badText();
  std::lock_guard lock(mutex_);
  std::string target = resolveLocked(directory);
  auto it = nodes_.find(target);
  if (directory.empty() || it == nodes_.end() || !it->second.directory) {
    return failLocked(FtpError::NotFound, 550, "Failed to change directory.");
  }
  cwd_ = target;
  return replyLocked(250, "Directory successfully changed.");
}

FtpResult FakeFtpClient::putFile(const std::string& localPath, const std::string& remoteName,
                                 FtpTransferMode mode) {
  long long keep = -1;
  auto injected = begin(FtpOperation::Put, "put " + remoteName + " " + modeName(mode), true, &keep);
  if (injected && keep < 0) return *injected;
  if (holdsLineBreak(remoteName)) return badText();
  std::ifstream in(localPath, std::ios::binary);
  if (!in) return FtpResult::failure(FtpError::LocalFile, "cannot read " + localPath);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::lock_guard lock(mutex_);
  if (injected) {
    Node& partial = nodes_[resolveLocked(remoteName)];
    partial = Node{};
    partial.bytes = bytes.substr(0, static_cast<std::size_t>(keep));
    return *injected;
  }
  std::string target = resolveLocked(remoteName);
  if (remoteName.empty() || remoteName.find('/') != std::string::npos ||
      (nodes_.count(target) && nodes_[target].directory)) {
    return failLocked(FtpError::Refused, 553, "Could not create file.");
  }
  Node& node = nodes_[target];
  node = Node{};
  node.bytes = std::move(bytes);
  return replyLocked(226, "Transfer complete.");
}

FtpResult FakeFtpClient::getFile(const std::string& remoteName, std::string& bytes,
                                 std::size_t maxBytes) {
  bytes.clear();
  if (auto f = begin(FtpOperation::Get, "get " + remoteName, true)) return *f;
  if (holdsLineBreak(remoteName)) return badText();
  std::lock_guard lock(mutex_);
  auto it = nodes_.find(resolveLocked(remoteName));
  if (remoteName.empty() || it == nodes_.end() || it->second.directory) {
    return failLocked(FtpError::NotFound, 550, "Failed to open file.");
  }
  if (it->second.bytes.size() > maxBytes) {
    return FtpResult::failure(FtpError::Refused, "larger than " + std::to_string(maxBytes));
  }
  bytes = it->second.bytes;
  return replyLocked(226, "Transfer complete.");
}

FtpResult FakeFtpClient::deleteFile(const std::string& remoteName) {
  if (auto f = begin(FtpOperation::Delete, "delete " + remoteName, true)) return *f;
  if (holdsLineBreak(remoteName)) return badText();
  std::lock_guard lock(mutex_);
  auto it = nodes_.find(resolveLocked(remoteName));
  if (remoteName.empty() || it == nodes_.end() || it->second.directory) {
    return failLocked(FtpError::NotFound, 550, "Delete operation failed.");
  }
  nodes_.erase(it);
  return replyLocked(250, "Delete operation successful.");
}

FtpResult FakeFtpClient::renameFile(const std::string& from, const std::string& to) {
  if (auto f = begin(FtpOperation::Rename, "rename " + from + " " + to, true)) return *f;
  if (holdsLineBreak(from) || holdsLineBreak(to)) return badText();
  std::lock_guard lock(mutex_);
  std::string source = resolveLocked(from);
  std::string target = resolveLocked(to);
  auto it = nodes_.find(source);
  if (from.empty() || to.empty() || it == nodes_.end() || it->second.directory) {
    return failLocked(FtpError::NotFound, 550, "RNFR command failed.");
  }
  if (nodes_.count(target) && nodes_[target].directory) {
    return failLocked(FtpError::Refused, 550, "Rename failed.");
  }
  Node node = it->second;
  nodes_.erase(it);
  nodes_[target] = std::move(node);
  return replyLocked(250, "Rename successful.");
}

FtpResult FakeFtpClient::listDirectory(std::vector<FtpFileEntry>& entries) {
  entries.clear();
  if (auto f = begin(FtpOperation::List, "list", true)) return *f;
  std::lock_guard lock(mutex_);
  for (const auto& [path, node] : nodes_) {
    if (path == "/" || parentOf(path) != cwd_) continue;
    FtpFileEntry e;
    e.name = baseName(path);
    e.attributes = node.attributes;
    e.sizeLow = static_cast<std::uint32_t>(node.bytes.size());
    e.sizeHigh = static_cast<std::uint32_t>(std::uint64_t{node.bytes.size()} >> 32);
    e.lastWrite = node.time;
    entries.push_back(std::move(e));
  }
  auto [first, last] = extraEntries_.equal_range(cwd_);
  for (auto it = first; it != last; ++it) entries.push_back(it->second);
  return replyLocked(226, "Directory send OK.");
}

std::string FakeFtpClient::lastResponseText() const {
  std::lock_guard lock(mutex_);
  return lastResponse_;
}

void FakeFtpClient::disconnect() {
  {
    std::lock_guard lock(mutex_);
    transcript_.push_back("disconnect");
  }
  std::lock_guard lock(mutex_);
  connected_ = false;
  dropped_ = false;
}

void FakeFtpClient::closeSession() {
  std::lock_guard lock(mutex_);
  transcript_.push_back("close");
  connected_ = false;
  dropped_ = false;
  session_ = false;
}

void FakeFtpClient::addDirectory(const std::string& path) {
  std::lock_guard lock(mutex_);
  addDirectoryLocked(path);
}

void FakeFtpClient::addFile(const std::string& path, const std::string& bytes,
                            std::uint32_t attributes, FtpFileTime time) {
  std::lock_guard lock(mutex_);
  std::string p = joinFtpPath("/", path);
  addDirectoryLocked(parentOf(p));
  nodes_[p] = Node{false, bytes, attributes, time};
}

void FakeFtpClient::addListingEntry(const std::string& directory, const FtpFileEntry& entry) {
  std::lock_guard lock(mutex_);
  extraEntries_.emplace(joinFtpPath("/", directory), entry);
}

bool FakeFtpClient::exists(const std::string& path) const {
  std::lock_guard lock(mutex_);
  return nodes_.count(joinFtpPath("/", path)) != 0;
}

std::optional<std::string> FakeFtpClient::fileContent(const std::string& path) const {
  std::lock_guard lock(mutex_);
  auto it = nodes_.find(joinFtpPath("/", path));
  if (it == nodes_.end() || it->second.directory) return std::nullopt;
  return it->second.bytes;
}

std::vector<std::string> FakeFtpClient::namesIn(const std::string& directory) const {
  std::lock_guard lock(mutex_);
  std::string dir = joinFtpPath("/", directory);
  std::vector<std::string> names;
  for (const auto& [path, node] : nodes_) {
    if (path != "/" && parentOf(path) == dir) names.push_back(baseName(path));
  }
  return names;  // std::map keeps them sorted
}

std::string FakeFtpClient::cwd() const {
  std::lock_guard lock(mutex_);
  return cwd_;
}

void FakeFtpClient::requireLogin(const std::string& user, const std::string& password) {
  std::lock_guard lock(mutex_);
  credentials_ = std::make_pair(user, password);
}

void FakeFtpClient::failNth(FtpOperation operation, int nth, FtpResult result) {
  std::lock_guard lock(mutex_);
  failures_.emplace(operation, Failure{std::max(nth, 1) - 1, std::move(result)});
}

void FakeFtpClient::failAlways(FtpOperation operation, FtpResult result) {
  std::lock_guard lock(mutex_);
  failures_.emplace(operation, Failure{-1, std::move(result)});
}

void FakeFtpClient::partialPutNth(int nth, std::size_t keep, FtpResult result) {
  std::lock_guard lock(mutex_);
  Failure f{std::max(nth, 1) - 1, std::move(result)};
  f.keep = static_cast<long long>(keep);
  failures_.emplace(FtpOperation::Put, std::move(f));
}

void FakeFtpClient::clearFailures() {
  std::lock_guard lock(mutex_);
  failures_.clear();
}

void FakeFtpClient::dropConnection(bool refuseReconnect) {
  std::lock_guard lock(mutex_);
  dropped_ = connected_;
  refuseConnect_ = refuseReconnect;
}

void FakeFtpClient::freeze(FakeClock& clock, std::int64_t replyMillis) {
  std::lock_guard lock(mutex_);
  clock_ = &clock;
  replyMillis_ = replyMillis;
}

void FakeFtpClient::setDeadlineIn(std::int64_t millis) {
  std::lock_guard lock(mutex_);
  if (clock_ != nullptr) deadline_ = clock_->monotonicMillis() + millis;
}

void FakeFtpClient::serverBack() {
  std::lock_guard lock(mutex_);
  refuseConnect_ = false;
}

void FakeFtpClient::onCall(std::function<void(const std::string&)> hook) {
  std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

std::vector<std::string> FakeFtpClient::transcript() const {
  std::lock_guard lock(mutex_);
  return transcript_;
}

void FakeFtpClient::clearTranscript() {
  std::lock_guard lock(mutex_);
  transcript_.clear();
}

int FakeFtpClient::connectCount() const {
  std::lock_guard lock(mutex_);
  return connects_;
}

std::optional<FtpConnectParams> FakeFtpClient::lastConnect() const {
  std::lock_guard lock(mutex_);
  return lastConnect_;
}

}  // namespace karone
