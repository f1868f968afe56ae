#include "platform/FtpPath.h"

#include <sstream>
#include <vector>

namespace karone {

std::string joinFtpPath(const std::string& directory, const std::string& name) {
  std::string joined = (!name.empty() && name[0] == '/') ? name : directory + "/" + name;
  std::vector<std::string> parts;
  std::istringstream in(joined);
  std::string part;
  while (std::getline(in, part, '/')) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (const auto& p : parts) out += "/" + p;
  return out.empty() ? "/" : out;
}

}  // namespace karone
