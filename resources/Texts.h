#pragma once
// The string table: every text the operator sees (message boxes and their
// captions, labels, log lines, status texts) lives once in the .def files of
// resources/texts/, named, and code refers to it by name. Texts are UTF-8.
//
// Thread-safe: the table is constant.
#include <string>

namespace karone {

enum class Text : int {
#define KARONE_TEXT(id, literal) id,
#include "resources/texts/all.def"
#undef KARONE_TEXT
  Count_
};

// The UTF-8 text of a table entry.
const char* text(Text id);

// The name of a table entry as written in the .def file (for diagnostics).
const char* textName(Text id);

// printf-style formatting into a std::string; never truncates.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Formats a table entry with printf-style arguments.
template <typename... Args>
std::string formatText(Text id, Args... args) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
  return format(text(id), args...);
#pragma GCC diagnostic pop
}

}  // namespace karone
