#include "ftp/RemoteNames.h"

namespace karone {
namespace {

bool startsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

bool endsWith(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && s.substr(s.size() - suffix.size()) == suffix;
}

// A name the server may be asked to delete: nothing that leaves the
// current directory, no control bytes that could end an FTP command.
bool isPlainFileName(std::string_view name) {
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7f || c == '/' || c == '\\') return false;
  }
  return true;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return 0;
}

}  // namespace

std::string hex8(std::uint32_t runningNumber) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out(8, '0');
  for (int i = 7; i >= 0; --i) {
    out[static_cast<std::size_t>(i)] = kDigits[runningNumber & 0xfu];
    runningNumber >>= 4;
  }
  return out;
}

std::string motionFrameName(std::uint32_t runningNumber) {
  return std::string(kMotionPrefix) + hex8(runningNumber) + std::string(kJpegExtension);
}

std::string stillBackupName(std::string_view prefix, std::uint32_t runningNumber) {
  return std::string(prefix) + hex8(runningNumber) + std::string(kJpegExtension);
}

std::string remoteNameOf(std::string_view localPath) {
  auto slash = localPath.find_last_of('/');
  return std::string(slash == std::string_view::npos ? localPath : localPath.substr(slash + 1));
}

bool isMotionBufferName(std::string_view name) {
  return name.size() == 23 && startsWith(name, kMotionPrefix) &&
         endsWith(name, kJpegExtension) && isPlainFileName(name);
}

bool isStillBufferName(std::string_view name) {
  return (name.size() == 20 || name.size() == 27) && startsWith(name, kStillPrefix) &&
         endsWith(name, kJpegExtension) && isPlainFileName(name);
}

BufferFileKind bufferFileKind(std::string_view name) {
  if (isMotionBufferName(name)) return BufferFileKind::Motion;
  if (isStillBufferName(name)) return BufferFileKind::Still;
  return BufferFileKind::None;
}

std::optional<std::uint32_t> motionRunningNumber(std::string_view frameName) {
  if (!isMotionBufferName(frameName)) return std::nullopt;
  std::uint32_t n = 0;
  for (std::size_t i = 11; i < 19; ++i) {
    n = (n << 4) | static_cast<std::uint32_t>(hexValue(frameName[i]));
  }
  return n;
}

std::optional<std::string> rotationVictim(std::string_view lastFrameName, std::int32_t keep) {
  if (keep <= 0) return std::nullopt;
  auto n = motionRunningNumber(lastFrameName);
  if (!n) return std::nullopt;
  // keep > 0 here, so comparing as numbers is comparing as unsigned.
  auto b = static_cast<std::uint32_t>(keep);
  if (*n < b) return std::nullopt;
  return motionFrameName(*n - b);
}

BufferFiles findBufferFiles(const std::vector<ListedName>& listing) {
  BufferFiles files;
  for (const auto& entry : listing) {
    if (entry.attributes == kDirectoryAttribute) continue;
    if (entry.name == "." || entry.name == "..") continue;
    switch (bufferFileKind(entry.name)) {
      case BufferFileKind::Motion: files.motion.push_back(entry.name); break;
      case BufferFileKind::Still: files.still.push_back(entry.name); break;
      case BufferFileKind::None: break;
    }
  }
  return files;
}

std::vector<std::string> staleStrips(const std::vector<ListedName>& listing, std::uint32_t newest,
                                     std::int32_t keep,
                                     std::optional<std::uint32_t> lastPublished) {
  std::vector<std::string> names;
  const std::string newestName = motionFrameName(newest);
  for (const auto& entry : listing) {
    if (entry.attributes == kDirectoryAttribute || entry.name == newestName) continue;
    auto n = motionRunningNumber(entry.name);
    if (!n) continue;
    bool stays = motionFrameName(*n) == entry.name && lastPublished;
    if (stays) {
      const std::uint32_t back = newest - *n;  // how far behind the newest
      const bool inWindow = keep <= 0 || back < static_cast<std::uint32_t>(keep);
      const bool published = back >= newest - *lastPublished;
      stays = inWindow && published;
    }
    if (!stays) names.push_back(entry.name);
  }
  return names;
}

std::vector<std::string> namesToDelete(const std::vector<ListedName>& listing,
                                       BulkDeletion form) {
  std::vector<std::string> names;
  for (const auto& entry : listing) {
    if (entry.attributes == kDirectoryAttribute) continue;
    auto kind = bufferFileKind(entry.name);
    if (kind == BufferFileKind::Motion ||
        (kind == BufferFileKind::Still && form == BulkDeletion::Both)) {
      names.push_back(entry.name);
    }
  }
  return names;
}

}  // namespace karone
