#include "platform/MemoryPolicy.h"

#include <malloc.h>

namespace karone {

void keepPictureBuffersInProcess() {
  // Blocks up to 32 MB come from the heap rather than from a mapping of
  // their own, and the heap keeps up to 64 MB free at its top before it
  // gives memory back. A 4K frame in BGR is 25 MB.
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

}  // namespace karone
