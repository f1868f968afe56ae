#include "platform/CoreDumps.h"

#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

namespace karone {

bool switchOffCoreDumps() {
  const char* allow = std::getenv(kAllowCoreDumpsVariable);
  if (allow != nullptr && std::strcmp(allow, "1") == 0) return false;
  const rlimit none{0, 0};
  return ::setrlimit(RLIMIT_CORE, &none) == 0;
}

}  // namespace karone
