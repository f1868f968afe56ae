#pragma once
// The program's texts and our UTF-8 strings as Qt strings, for the windows
// and dialogs. Any thread.
#include <QString>
#include <string>

#include "resources/Texts.h"

namespace karone {

inline QString qs(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
inline QString qtext(Text id) { return QString::fromUtf8(text(id)); }

}  // namespace karone
