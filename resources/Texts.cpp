#include "resources/Texts.h"

#include <cstdarg>
#include <cstdio>

namespace karone {
namespace {

struct Entry {
  const char* name;
  const char* literal;
};

constexpr Entry kTable[] = {
#define KARONE_TEXT(id, literal) {#id, literal},
#include "resources/texts/all.def"
#undef KARONE_TEXT
};

static_assert(sizeof(kTable) / sizeof(kTable[0]) == static_cast<size_t>(Text::Count_));

}  // namespace

const char* text(Text id) {
  auto index = static_cast<size_t>(id);
  return index < static_cast<size_t>(Text::Count_) ? kTable[index].literal : "";
}

const char* textName(Text id) {
  auto index = static_cast<size_t>(id);
  return index < static_cast<size_t>(Text::Count_) ? kTable[index].name : "";
}

std::string format(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  std::string out;
  if (length > 0) {
    out.resize(static_cast<size_t>(length));
    std::vsnprintf(out.data(), out.size() + 1, fmt, args);
  }
  va_end(args);
  return out;
}

}  // namespace karone
