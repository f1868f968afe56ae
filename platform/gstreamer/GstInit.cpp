#include "platform/gstreamer/GstInit.h"

#include <gst/gst.h>

#include <mutex>

namespace karone {

bool ensureGstreamer() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    GError* error = nullptr;
    ok = gst_init_check(nullptr, nullptr, &error);
    g_clear_error(&error);
  });
  return ok;
}

}  // namespace karone
