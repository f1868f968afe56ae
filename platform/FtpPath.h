#pragma once
// Remote path arithmetic shared by the FTP clients: joins a name to a
// directory and normalises the result ("." and empty segments vanish, ".."
// goes up, never above the root). Absolute names ignore the directory.
// Pure function, any thread.
#include <string>

namespace karone {

std::string joinFtpPath(const std::string& directory, const std::string& name);

}  // namespace karone
