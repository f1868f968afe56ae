#include "platform/curl/SftpListing.h"

#include <cstdlib>
#include <string>

#include "platform/curl/FtpListingTime.h"

namespace karone {
namespace {

// Splits off the next field (a run of non-blanks after blanks).
bool nextField(std::string_view& rest, std::string_view& field) {
  std::size_t start = rest.find_first_not_of(' ');
  if (start == std::string_view::npos) return false;
  std::size_t end = rest.find(' ', start);
  if (end == std::string_view::npos) return false;  // the name must follow
  field = rest.substr(start, end - start);
  rest.remove_prefix(end);
  return true;
}

bool parseLine(std::string_view line, Seconds now, FtpFileEntry& entry) {
  std::string_view rest = line;
  std::string_view fields[8];
  for (auto& field : fields) {
    if (!nextField(rest, field)) return false;
  }
  const std::string_view mode = fields[0];
  if (mode.size() < 10) return false;
  for (char c : fields[4]) {
    if (c < '0' || c > '9') return false;
  }
  if (rest.size() < 2 || rest[0] != ' ') return false;
  std::string name(rest.substr(1));
  entry.attributes = mode[0] == 'd' ? kFtpAttributeDirectory
                     : mode[0] == 'l' ? kFtpAttributeSymlink
                                      : kFtpAttributeNormal;
  if (mode[0] == 'l') {
    const std::size_t arrow = name.find(" -> ");
    if (arrow != std::string::npos) name.erase(arrow);
  }
  if (name.empty() || name == "." || name == "..") return false;
  entry.name = std::move(name);
  const std::uint64_t size = std::strtoull(std::string(fields[4]).c_str(), nullptr, 10);
  entry.sizeLow = static_cast<std::uint32_t>(size & 0xffffffffu);
  entry.sizeHigh = static_cast<std::uint32_t>(size >> 32);
  const std::string date = std::string(fields[5]) + " " + std::string(fields[6]) + " " +
                           std::string(fields[7]);
  entry.lastWrite = parseListingTime(date, now);
  return true;
}

}  // namespace

std::vector<FtpFileEntry> parseSftpListing(std::string_view text, Seconds now) {
  std::vector<FtpFileEntry> entries;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    FtpFileEntry entry;
    if (parseLine(line, now, entry)) entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace karone
