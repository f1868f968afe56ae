#pragma once
// Bounded D-Bus method calls on a GDBus connection, with the reply or the
// error as a value. Every call carries a time-out and never starts a
// service by bus activation.
//
// Any thread (GDBus connections are thread-safe; a call blocks only the
// calling thread).
#include <gio/gio.h>

#include <memory>
#include <string>
#include <vector>

namespace karone {

struct VariantUnref {
  void operator()(GVariant* v) const { g_variant_unref(v); }
};
using VariantPtr = std::unique_ptr<GVariant, VariantUnref>;

struct DbusReply {
  VariantPtr value;         // the reply tuple; null on error
  std::string errorName;    // the remote error's name ("" for a local error)
  std::string errorText;    // readable, for logs
  bool timedOut = false;    // no answer within the time-out
  bool closed = false;      // the bus connection is gone
  bool ok() const { return value != nullptr; }
};

// Calls `method` and waits up to timeoutMs for the reply. `parameters` may
// be a floating reference (it is consumed) or null; `replyType` is the
// expected reply tuple type, e.g. "(ao)", or null for any.
DbusReply callDbus(GDBusConnection* connection, const char* destination, const char* path,
                   const char* interface, const char* method, GVariant* parameters,
                   const char* replyType, int timeoutMs);

// org.freedesktop.DBus.Properties.Get, the value unboxed from its variant.
DbusReply getDbusProperty(GDBusConnection* connection, const char* destination, const char* path,
                          const char* interface, const char* property, int timeoutMs);

// Helpers for reading replies and dictionaries; "" / 0 / {} when absent or
// of another type.
std::string lookupString(GVariant* dictionary, const char* key);
std::uint32_t lookupUint32(GVariant* dictionary, const char* key, std::uint32_t fallback = 0);
std::vector<std::string> objectPaths(GVariant* array);  // of type "ao"

}  // namespace karone
