#include "platform/networkmanager/DbusCall.h"

namespace karone {
namespace {

DbusReply fromError(GError* error) {
  DbusReply reply;
  if (gchar* remote = g_dbus_error_get_remote_error(error)) {
    reply.errorName = remote;
    g_free(remote);
    g_dbus_error_strip_remote_error(error);
  }
  reply.errorText = error->message;
  reply.timedOut = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT);
  reply.closed = g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CLOSED);
  g_error_free(error);
  return reply;
}

}  // namespace

DbusReply callDbus(GDBusConnection* connection, const char* destination, const char* path,
                   const char* interface, const char* method, GVariant* parameters,
                   const char* replyType, int timeoutMs) {
  if (connection == nullptr || g_dbus_connection_is_closed(connection)) {
    if (parameters != nullptr) g_variant_unref(g_variant_ref_sink(parameters));
    DbusReply reply;
    reply.errorText = "the bus connection is closed";
    reply.closed = true;
    return reply;
  }
  GError* error = nullptr;
  GVariant* value = g_dbus_connection_call_sync(
      connection, destination, path, interface, method, parameters,
      replyType != nullptr ? G_VARIANT_TYPE(replyType) : nullptr,
      G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs, nullptr, &error);
  if (value == nullptr) return fromError(error);
  DbusReply reply;
  reply.value.reset(value);
  return reply;
}

DbusReply getDbusProperty(GDBusConnection* connection, const char* destination, const char* path,
                          const char* interface, const char* property, int timeoutMs) {
  DbusReply reply = callDbus(connection, destination, path, "org.freedesktop.DBus.Properties",
                             "Get", g_variant_new("(ss)", interface, property), "(v)", timeoutMs);
  if (reply.ok()) {
    GVariant* inner = nullptr;
    g_variant_get(reply.value.get(), "(v)", &inner);
    reply.value.reset(inner);
  }
  return reply;
}

std::string lookupString(GVariant* dictionary, const char* key) {
  if (dictionary == nullptr) return {};
  VariantPtr value(g_variant_lookup_value(dictionary, key, G_VARIANT_TYPE_STRING));
  return value ? std::string(g_variant_get_string(value.get(), nullptr)) : std::string();
}

std::uint32_t lookupUint32(GVariant* dictionary, const char* key, std::uint32_t fallback) {
  if (dictionary == nullptr) return fallback;
  VariantPtr value(g_variant_lookup_value(dictionary, key, G_VARIANT_TYPE_UINT32));
  return value ? g_variant_get_uint32(value.get()) : fallback;
}

std::vector<std::string> objectPaths(GVariant* array) {
  std::vector<std::string> paths;
  if (array == nullptr || !g_variant_is_of_type(array, G_VARIANT_TYPE_OBJECT_PATH_ARRAY)) {
    return paths;
  }
  GVariantIter iter;
  const gchar* path = nullptr;
  g_variant_iter_init(&iter, array);
  while (g_variant_iter_next(&iter, "&o", &path)) paths.emplace_back(path);
  return paths;
}

}  // namespace karone
