#pragma once
// Messages of the command-line tools are one line each, whatever they
// quote: a name or value with a line break or another control character
// is shown with escapes (\n, \r, \t, \xNN), and a multi-line text of the
// program (a dialog's message) has its lines joined with spaces.
//
// Pure functions; any thread.
#include <cstdio>
#include <string>
#include <string_view>

namespace karone::tools {

// `text` with control characters and backslashes escaped.
inline std::string shown(std::string_view text) {
  std::string out;
  for (unsigned char c : text) {
    switch (c) {
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      case '\\': out += "\\\\"; break;
      default:
        if (c < 0x20 || c == 0x7f) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\x%02x", c);
          out += buffer;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out;
}

// `message` as one line: each run of line breaks becomes one space.
inline std::string oneLine(std::string_view message) {
  std::string out;
  bool inBreak = false;
  for (char c : message) {
    if (c == '\n' || c == '\r') {
      if (!inBreak && !out.empty()) out += ' ';
      inBreak = true;
    } else {
      out += c;
      inBreak = false;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

}  // namespace karone::tools
