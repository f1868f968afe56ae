#include "platform/networkmanager/NetworkManagerDialupService.h"

#include <gio/gio.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "platform/networkmanager/DbusCall.h"
#include "platform/networkmanager/NmDialupErrors.h"
#include "platform/networkmanager/NmLineProfile.h"

namespace karone {
namespace {

// NetworkManager's active connection states; they only ever increase
// during the life of one active connection.
constexpr std::uint32_t kActivating = 1;
constexpr std::uint32_t kActivated = 2;
constexpr std::uint32_t kDeactivated = 4;
constexpr std::uint32_t kDeviceFailed = 120;

// Settings update: in memory only (the saved file stays as it is), and not
// applied to a device that is already up.
constexpr std::uint32_t kUpdateInMemoryDetached = 0x4;
constexpr std::uint32_t kUpdateNoReapply = 0x40;

// What is remembered of signals for active connections we have no handle
// for (yet), and of device failures.
constexpr std::size_t kEarlyLimit = 64;
constexpr std::size_t kDeviceFailureLimit = 16;

constexpr const char* kBusName = "org.freedesktop.DBus";
constexpr const char* kBusPath = "/org/freedesktop/DBus";

DialupState stateOf(std::uint32_t nmState) {
  switch (nmState) {
    case kActivating:
      return DialupState::Dialling;
    case kActivated:
      return DialupState::Connected;
    case 0:
      return DialupState::Opening;
    default:
      return DialupState::Disconnected;
  }
}

bool isModemOrPppType(const std::string& type) {
  return type == "gsm" || type == "cdma" || type == "pppoe";
}

}  // namespace

struct NetworkManagerDialupService::Impl {
  // One active line connection that has a handle.
  struct Line {
    std::string path;
    std::string entry;
    std::uint32_t nmState = 0;  // the highest state seen
    std::uint32_t activeReason = 0;
    bool removed = false;  // NetworkManager no longer lists it
    int error = DialupOk;
    // A dial started here:
    bool dialled = false;
    bool finished = false;  // its final event is out, or it was hung up
    bool reportedDialling = false;
    ProgressFunction progress;
    std::uint64_t deviceSerialAtStart = 0;
    std::vector<std::string> devices;
  };
  struct Early {
    std::uint32_t state = 0;
    std::uint32_t reason = 0;
    bool removed = false;
  };
  struct DeviceFailure {
    std::string device;
    std::uint32_t reason = 0;
    std::uint64_t serial = 0;
  };
  struct Delivery {
    ProgressFunction function;
    std::vector<DialupProgress> events;
  };

  NetworkManagerOptions options;
  GMainContext* context = nullptr;
  GMainLoop* loop = nullptr;
  GDBusConnection* connection = nullptr;  // set before the thread reports ready
  std::thread thread;
  std::vector<guint> subscriptions;
  gulong closedHandler = 0;
  bool stopping = false;  // service thread only
  std::atomic<bool> abandoned{false};  // connect() gave up waiting for the thread

  std::mutex mutex;
  std::map<DialupHandle, Line> lines;
  std::map<std::string, DialupHandle> byPath;  // connections NetworkManager still lists
  std::map<std::string, Early> early;
  std::deque<DeviceFailure> deviceFailures;
  std::uint64_t deviceSerial = 0;
  bool nmPresent = false;
  bool busClosed = false;
  DialupHandle nextHandle = 1;

  ~Impl() {
    if (connection != nullptr) g_object_unref(connection);
    if (loop != nullptr) g_main_loop_unref(loop);
    if (context != nullptr) g_main_context_unref(context);
  }

  int timeout() const { return options.callTimeoutMs; }

  // ---- The service thread ----

  void run(const std::shared_ptr<std::promise<std::string>>& ready) {
    g_main_context_push_thread_default(context);
    std::string error = connectBus();
    if (error.empty()) {
      subscribe();
      DbusReply owner = callDbus(connection, kBusName, kBusPath, kBusName, "NameHasOwner",
                                 g_variant_new("(s)", kNmBusName), "(b)", timeout());
      gboolean present = FALSE;
      if (owner.ok()) g_variant_get(owner.value.get(), "(b)", &present);
      std::lock_guard lock(mutex);
      nmPresent = present;
    }
    bool connected = error.empty();
    ready->set_value(error);
    if (connected) {
      if (!abandoned) g_main_loop_run(loop);
      unsubscribe();
    }
    g_main_context_pop_thread_default(context);
  }

  std::string connectBus() {
    std::string address = options.busAddress;
    if (address.empty()) {
      GError* error = nullptr;
      gchar* system = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SYSTEM, nullptr, &error);
      if (system == nullptr) {
        std::string message = error->message;
        g_error_free(error);
        return message;
      }
      address = system;
      g_free(system);
    }
    struct Attempt {
      GDBusConnection* connection = nullptr;
      std::string error;
      bool done = false;
    } attempt;
    GCancellable* cancellable = g_cancellable_new();
    g_dbus_connection_new_for_address(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, cancellable,
        [](GObject*, GAsyncResult* result, gpointer data) {
          auto* a = static_cast<Attempt*>(data);
          GError* error = nullptr;
          a->connection = g_dbus_connection_new_for_address_finish(result, &error);
          if (a->connection == nullptr) {
            a->error = error->message;
            g_error_free(error);
          }
          a->done = true;
        },
        &attempt);
    GSource* timer = g_timeout_source_new(static_cast<guint>(std::max(1, options.connectTimeoutMs)));
    g_source_set_callback(
        timer,
        [](gpointer c) {
          g_cancellable_cancel(static_cast<GCancellable*>(c));
          return G_SOURCE_REMOVE;
        },
        cancellable, nullptr);
    g_source_attach(timer, context);
    while (!attempt.done) g_main_context_iteration(context, TRUE);
    bool timedOut = g_cancellable_is_cancelled(cancellable);
    g_source_destroy(timer);
    g_source_unref(timer);
    g_object_unref(cancellable);
    if (attempt.connection == nullptr) {
      return timedOut ? "no answer from " + address : attempt.error;
    }
    connection = attempt.connection;
    return {};
  }

  void subscribe() {
    auto add = [this](const char* sender, const char* interface, const char* member,
                      const char* path, const char* arg0, GDBusSignalCallback callback) {
      subscriptions.push_back(g_dbus_connection_signal_subscribe(
          connection, sender, interface, member, path, arg0, G_DBUS_SIGNAL_FLAGS_NONE, callback,
          this, nullptr));
    };
    add(kBusName, kBusName, "NameOwnerChanged", kBusPath, kNmBusName,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
           GVariant* parameters, gpointer self) {
          static_cast<Impl*>(self)->onNameOwnerChanged(parameters);
        });
    add(kNmBusName, kNmActiveInterface, "StateChanged", nullptr, nullptr,
        [](GDBusConnection*, const gchar*, const gchar* path, const gchar*, const gchar*,
           GVariant* parameters, gpointer self) {
          static_cast<Impl*>(self)->onActiveStateChanged(path, parameters);
        });
    add(kNmBusName, "org.freedesktop.DBus.Properties", "PropertiesChanged", kNmPath, kNmInterface,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
           GVariant* parameters, gpointer self) {
          static_cast<Impl*>(self)->onManagerPropertiesChanged(parameters);
        });
    add(kNmBusName, kNmDeviceInterface, "StateChanged", nullptr, nullptr,
        [](GDBusConnection*, const gchar*, const gchar* path, const gchar*, const gchar*,
           GVariant* parameters, gpointer self) {
          static_cast<Impl*>(self)->onDeviceStateChanged(path, parameters);
        });
    closedHandler = g_signal_connect(
        connection, "closed",
        G_CALLBACK(+[](GDBusConnection*, gboolean, GError*, gpointer self) {
          static_cast<Impl*>(self)->onBusClosed();
        }),
        this);
  }

  void unsubscribe() {
    stopping = true;
    for (guint id : subscriptions) g_dbus_connection_signal_unsubscribe(connection, id);
    subscriptions.clear();
    if (closedHandler != 0) g_signal_handler_disconnect(connection, closedHandler);
    closedHandler = 0;
    // Let signals already queued for us run (as no-ops), so that nothing
    // of ours stays behind in the context.
    while (g_main_context_iteration(context, FALSE)) {
    }
  }

  // Runs `work` on the service thread, after everything queued before it.
  void post(std::function<void()> work) {
    GSource* source = g_idle_source_new();
    g_source_set_callback(
        source,
        [](gpointer data) {
          (*static_cast<std::function<void()>*>(data))();
          return G_SOURCE_REMOVE;
        },
        new std::function<void()>(std::move(work)),
        [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
    g_source_attach(source, context);
    g_source_unref(source);
  }

  void onNameOwnerChanged(GVariant* parameters) {
    if (stopping) return;
    const gchar* name = nullptr;
    const gchar* oldOwner = nullptr;
    const gchar* newOwner = nullptr;
    g_variant_get(parameters, "(&s&s&s)", &name, &oldOwner, &newOwner);
    if (oldOwner[0] != '\0') networkManagerGone();
    if (newOwner[0] != '\0') {
      std::lock_guard lock(mutex);
      nmPresent = true;
    }
  }

  void onBusClosed() {
    if (stopping) return;
    {
      std::lock_guard lock(mutex);
      busClosed = true;
    }
    networkManagerGone();
  }

  // Every connection is gone and every dial in progress fails.
  void networkManagerGone() {
    std::vector<Delivery> deliveries;
    {
      std::lock_guard lock(mutex);
      nmPresent = false;
      for (auto& [handle, line] : lines) {
        line.removed = true;
        if (line.dialled && !line.finished) line.error = NmStopped;
        deliveries.push_back(advance(line));
      }
      lines.clear();
      byPath.clear();
      early.clear();
      deviceFailures.clear();
    }
    for (auto& d : deliveries) deliver(d);
  }

  void onActiveStateChanged(const gchar* path, GVariant* parameters) {
    if (stopping || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uu)"))) return;
    guint32 state = 0;
    guint32 reason = 0;
    g_variant_get(parameters, "(uu)", &state, &reason);
    Delivery delivery;
    {
      std::lock_guard lock(mutex);
      auto known = byPath.find(path);
      if (known == byPath.end()) {
        if (early.size() >= kEarlyLimit && early.find(path) == early.end()) early.erase(early.begin());
        Early& e = early[path];
        e.state = std::max(e.state, state);
        if (state == kDeactivated) e.reason = reason;
        return;
      }
      Line& line = lines[known->second];
      line.nmState = std::max(line.nmState, state);
      if (state == kDeactivated) line.activeReason = reason;
      delivery = advance(line);
    }
    deliver(delivery);
  }

  void onManagerPropertiesChanged(GVariant* parameters) {
    if (stopping || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sa{sv}as)"))) return;
    VariantPtr changed(g_variant_get_child_value(parameters, 1));
    VariantPtr active(g_variant_lookup_value(changed.get(), "ActiveConnections",
                                             G_VARIANT_TYPE_OBJECT_PATH_ARRAY));
    if (!active) return;
    std::vector<std::string> listed = objectPaths(active.get());
    auto isListed = [&listed](const std::string& path) {
      return std::find(listed.begin(), listed.end(), path) != listed.end();
    };
    std::vector<Delivery> deliveries;
    {
      std::lock_guard lock(mutex);
      for (auto it = byPath.begin(); it != byPath.end();) {
        if (isListed(it->first)) {
          ++it;
          continue;
        }
        auto line = lines.find(it->second);
        if (line != lines.end()) {
          line->second.removed = true;
          deliveries.push_back(advance(line->second));
          forgetIfDone(line);
        }
        it = byPath.erase(it);
      }
      for (auto& [path, e] : early) {
        if (!isListed(path)) {
          e.removed = true;
        } else if (e.removed) {
          e = Early{};  // a new connection under a path used before
        }
      }
    }
    for (auto& d : deliveries) deliver(d);
  }

  void onDeviceStateChanged(const gchar* path, GVariant* parameters) {
    if (stopping || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(uuu)"))) return;
    guint32 state = 0;
    guint32 old = 0;
    guint32 reason = 0;
    g_variant_get(parameters, "(uuu)", &state, &old, &reason);
    if (state != kDeviceFailed) return;
    std::lock_guard lock(mutex);
    deviceFailures.push_back({path, reason, ++deviceSerial});
    if (deviceFailures.size() > kDeviceFailureLimit) deviceFailures.pop_front();
  }

  // A dial just registered: learn where its activation stands (signals that
  // came before the handle existed are already merged in).
  void catchUp(DialupHandle handle) {
    std::string path;
    {
      std::lock_guard lock(mutex);
      auto it = lines.find(handle);
      if (it == lines.end() || it->second.finished) return;
      path = it->second.path;
    }
    DbusReply reply = callDbus(connection, kNmBusName, path.c_str(),
                               "org.freedesktop.DBus.Properties", "GetAll",
                               g_variant_new("(s)", kNmActiveInterface), "(a{sv})", timeout());
    Delivery delivery;
    {
      std::lock_guard lock(mutex);
      auto it = lines.find(handle);
      if (it == lines.end()) return;
      Line& line = it->second;
      if (reply.ok()) {
        VariantPtr properties(g_variant_get_child_value(reply.value.get(), 0));
        line.nmState = std::max(line.nmState, lookupUint32(properties.get(), "State"));
        VariantPtr devices(g_variant_lookup_value(properties.get(), "Devices",
                                                  G_VARIANT_TYPE_OBJECT_PATH_ARRAY));
        line.devices = objectPaths(devices.get());
      }
      delivery = advance(line);
      forgetIfDone(it);
    }
    deliver(delivery);
  }

  // The events a dial has to report now (under the lock).
  Delivery advance(Line& line) {
    Delivery d;
    if (!line.dialled || line.finished) return d;
    bool up = line.nmState == kActivated && !line.removed;
    if (!line.reportedDialling && (line.nmState == kActivating || up)) {
      d.events.push_back({DialupState::Dialling, DialupOk});
      line.reportedDialling = true;
    }
    if (up) {
      d.events.push_back({DialupState::Connected, DialupOk});
      line.finished = true;
    } else if (line.removed || line.nmState >= kDeactivated) {
      if (line.error == DialupOk) {
        line.error = nmFailureError(deviceReasonFor(line), line.activeReason);
      }
      d.events.push_back({DialupState::Disconnected, line.error});
      line.finished = true;
    }
    if (d.events.empty()) return d;
    if (line.finished) {
      d.function = std::move(line.progress);
      line.progress = nullptr;
    } else {
      d.function = line.progress;
    }
    return d;
  }

  std::uint32_t deviceReasonFor(const Line& line) const {
    for (auto it = deviceFailures.rbegin(); it != deviceFailures.rend(); ++it) {
      if (it->serial <= line.deviceSerialAtStart) break;
      bool ours = line.devices.empty() ||
                  std::find(line.devices.begin(), line.devices.end(), it->device) !=
                      line.devices.end();
      if (ours) return it->reason;
    }
    return 0;
  }

  // Drops a connection that is gone and has nothing left to report.
  void forgetIfDone(std::map<DialupHandle, Line>::iterator it) {
    const Line& line = it->second;
    if (line.removed && (!line.dialled || line.finished)) lines.erase(it);
  }

  static void deliver(Delivery& d) {
    if (!d.function) return;
    for (const DialupProgress& event : d.events) d.function(event);
  }

  // ---- Any thread ----

  bool closed() {
    std::lock_guard lock(mutex);
    return busClosed;
  }

  // Registers an active line connection under a handle (a new one unless
  // the path already has one). Nothing when it is already known to be gone.
  std::optional<DialupHandle> track(const std::string& path, const std::string& entry,
                                    std::uint32_t state) {
    std::lock_guard lock(mutex);
    auto known = byPath.find(path);
    if (known != byPath.end()) {
      Line& line = lines[known->second];
      line.nmState = std::max(line.nmState, state);
      return known->second;
    }
    Early e;
    if (auto it = early.find(path); it != early.end()) {
      e = it->second;
      early.erase(it);
    }
    if (e.removed || !nmPresent) return std::nullopt;
    DialupHandle handle = nextHandle++;
    Line& line = lines[handle];
    line.path = path;
    line.entry = entry;
    line.nmState = std::max(state, e.state);
    line.activeReason = e.reason;
    byPath[path] = handle;
    return handle;
  }
};

// ---- NetworkManagerDialupService ----

std::unique_ptr<NetworkManagerDialupService> NetworkManagerDialupService::connect(
    const NetworkManagerOptions& options, std::string* error) {
  auto impl = std::make_unique<Impl>();
  impl->options = options;
  impl->context = g_main_context_new();
  impl->loop = g_main_loop_new(impl->context, FALSE);
  auto ready = std::make_shared<std::promise<std::string>>();
  std::future<std::string> result = ready->get_future();
  Impl* raw = impl.get();
  impl->thread = std::thread([raw, ready] { raw->run(ready); });
  // The thread bounds the connection attempt itself; this is a safety net
  // against a bus that accepts and never completes its greeting.
  auto limit = std::chrono::milliseconds(options.connectTimeoutMs + options.callTimeoutMs + 1000);
  if (result.wait_for(limit) != std::future_status::ready) {
    if (error != nullptr) *error = "the bus did not answer";
    impl->abandoned = true;
    impl->thread.detach();
    impl.release();  // the thread still uses it; it ends on its own
    return nullptr;
  }
  std::string failure = result.get();
  if (!failure.empty()) {
    impl->thread.join();
    if (error != nullptr) *error = failure;
    return nullptr;
  }
  return std::unique_ptr<NetworkManagerDialupService>(
      new NetworkManagerDialupService(std::move(impl)));
}

NetworkManagerDialupService::NetworkManagerDialupService(std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {}

NetworkManagerDialupService::~NetworkManagerDialupService() {
  Impl* impl = impl_.get();
  impl->post([impl] { g_main_loop_quit(impl->loop); });
  impl->thread.join();
}

bool NetworkManagerDialupService::networkManagerRunning() {
  DbusReply reply = callDbus(impl_->connection, kBusName, kBusPath, kBusName, "NameHasOwner",
                             g_variant_new("(s)", kNmBusName), "(b)", impl_->timeout());
  gboolean present = FALSE;
  if (reply.ok()) g_variant_get(reply.value.get(), "(b)", &present);
  return present;
}

std::vector<DialupConnection> NetworkManagerDialupService::connections() {
  std::vector<DialupConnection> result;
  if (impl_->closed()) return result;
  GDBusConnection* bus = impl_->connection;
  DbusReply list = getDbusProperty(bus, kNmBusName, kNmPath, kNmInterface, "ActiveConnections",
                                   impl_->timeout());
  if (!list.ok()) return result;
  for (const std::string& path : objectPaths(list.value.get())) {
    DbusReply reply = callDbus(bus, kNmBusName, path.c_str(), "org.freedesktop.DBus.Properties",
                               "GetAll", g_variant_new("(s)", kNmActiveInterface), "(a{sv})",
                               impl_->timeout());
    if (!reply.ok()) continue;  // gone meanwhile
    VariantPtr properties(g_variant_get_child_value(reply.value.get(), 0));
    std::uint32_t state = lookupUint32(properties.get(), "State");
    std::string type = lookupString(properties.get(), "Type");
    std::string id = lookupString(properties.get(), "Id");
    if (state >= kDeactivated) continue;
    if (!isModemOrPppType(type)) {
      if (type != "bluetooth") continue;
      VariantPtr profile(g_variant_lookup_value(properties.get(), "Connection",
                                                G_VARIANT_TYPE_OBJECT_PATH));
      if (!profile ||
          !readLineProfile(bus, g_variant_get_string(profile.get(), nullptr), impl_->timeout())) {
        continue;  // Bluetooth networking, not dial-up
      }
    }
    if (auto handle = impl_->track(path, id, state)) result.push_back({*handle, id});
  }
  return result;
}

DialupStatus NetworkManagerDialupService::status(DialupHandle handle) {
  std::lock_guard lock(impl_->mutex);
  auto it = impl_->lines.find(handle);
  if (it == impl_->lines.end()) return DialupStatus{};
  const Impl::Line& line = it->second;
  if (line.removed || line.nmState >= kDeactivated || !impl_->nmPresent) return DialupStatus{};
  return DialupStatus{false, stateOf(line.nmState), line.error};
}

DialupEntries NetworkManagerDialupService::readEntries() {
  DialupEntries result;
  if (impl_->closed()) {
    result.error = nmCallError("", false, true);
    return result;
  }
  DbusReply failure;
  auto profiles = readLineProfiles(impl_->connection, impl_->timeout(), &failure);
  if (!profiles) {
    result.error = nmCallError(failure.errorName, failure.timedOut, failure.closed);
    return result;
  }
  for (const auto& p : *profiles) result.names.push_back(p.id);
  return result;
}

std::optional<DialupCredentials> NetworkManagerDialupService::storedCredentials(
    const std::string& entry) {
  if (impl_->closed()) return std::nullopt;
  auto profiles = readLineProfiles(impl_->connection, impl_->timeout(), nullptr);
  if (!profiles) return std::nullopt;
  for (const auto& p : *profiles) {
    if (p.id == entry) return readStoredCredentials(impl_->connection, p, impl_->timeout());
  }
  return std::nullopt;
}

namespace {

// The profile's settings with another user name and/or password, for an
// in-memory update. `stored` is what the profile gives out now.
VariantPtr withCredentials(GVariant* settings, const NmLineProfile& profile,
                           const DialupRequest& request, const DialupCredentials& stored) {
  GVariantBuilder groups;
  g_variant_builder_init(&groups, G_VARIANT_TYPE("a{sa{sv}}"));
  GVariantIter iter;
  const gchar* name = nullptr;
  GVariant* group = nullptr;
  g_variant_iter_init(&iter, settings);
  bool seen = false;
  auto addCredentials = [&](GVariantBuilder* values) {
    std::string user = request.user.empty() ? stored.user : request.user;
    std::string password = request.password.empty() ? stored.password : request.password;
    if (!user.empty()) g_variant_builder_add(values, "{sv}", "username", g_variant_new_string(user.c_str()));
    if (!password.empty()) {
      g_variant_builder_add(values, "{sv}", "password", g_variant_new_string(password.c_str()));
      g_variant_builder_add(values, "{sv}", "password-flags", g_variant_new_uint32(0));
    } else {
      g_variant_builder_add(values, "{sv}", "password-flags",
                            g_variant_new_uint32(profile.passwordFlags));
    }
  };
  while (g_variant_iter_next(&iter, "{&s@a{sv}}", &name, &group)) {
    if (profile.secretSetting != name) {
      g_variant_builder_add(&groups, "{s@a{sv}}", name, group);
      g_variant_unref(group);
      continue;
    }
    seen = true;
    GVariantBuilder values;
    g_variant_builder_init(&values, G_VARIANT_TYPE_VARDICT);
    GVariantIter entries;
    const gchar* key = nullptr;
    GVariant* value = nullptr;
    g_variant_iter_init(&entries, group);
    while (g_variant_iter_next(&entries, "{&sv}", &key, &value)) {
      std::string k = key;
      if (k != "username" && k != "password" && k != "password-flags") {
        g_variant_builder_add(&values, "{sv}", key, value);
      }
      g_variant_unref(value);
    }
    addCredentials(&values);
    g_variant_builder_add(&groups, "{sa{sv}}", name, &values);
    g_variant_unref(group);
  }
  if (!seen) {
    GVariantBuilder values;
    g_variant_builder_init(&values, G_VARIANT_TYPE_VARDICT);
    addCredentials(&values);
    g_variant_builder_add(&groups, "{sa{sv}}", profile.secretSetting.c_str(), &values);
  }
  return VariantPtr(g_variant_ref_sink(g_variant_builder_end(&groups)));
}

}  // namespace

DialupStart NetworkManagerDialupService::dial(const DialupRequest& request,
                                              ProgressFunction progress) {
  if (impl_->closed()) return DialupStart{NmNotRunning, kNoDialupHandle};
  GDBusConnection* bus = impl_->connection;
  const int timeout = impl_->timeout();
  DbusReply failure;
  auto profiles = readLineProfiles(bus, timeout, &failure);
  if (!profiles) {
    return DialupStart{nmCallError(failure.errorName, failure.timedOut, failure.closed),
                       kNoDialupHandle};
  }
  auto profile = std::find_if(profiles->begin(), profiles->end(),
                              [&](const NmLineProfile& p) { return p.id == request.entryName; });
  if (profile == profiles->end()) return DialupStart{DialupNoSuchEntry, kNoDialupHandle};

  if (!request.user.empty() || !request.password.empty()) {
    DialupCredentials stored = readStoredCredentials(bus, *profile, timeout);
    bool differs = (!request.user.empty() && request.user != stored.user) ||
                   (!request.password.empty() && request.password != stored.password);
    if (differs) {
      DbusReply settings = callDbus(bus, kNmBusName, profile->path.c_str(), kNmProfileInterface,
                                    "GetSettings", nullptr, "(a{sa{sv}})", timeout);
      if (!settings.ok()) {
        return DialupStart{nmCallError(settings.errorName, settings.timedOut, settings.closed),
                           kNoDialupHandle};
      }
      VariantPtr current(g_variant_get_child_value(settings.value.get(), 0));
      VariantPtr changed = withCredentials(current.get(), *profile, request, stored);
      GVariantBuilder none;
      g_variant_builder_init(&none, G_VARIANT_TYPE_VARDICT);
      DbusReply update = callDbus(
          bus, kNmBusName, profile->path.c_str(), kNmProfileInterface, "Update2",
          g_variant_new("(@a{sa{sv}}ua{sv})", changed.get(),
                        kUpdateInMemoryDetached | kUpdateNoReapply, &none),
          "(a{sv})", timeout);
      if (!update.ok()) {
        return DialupStart{nmCallError(update.errorName, update.timedOut, update.closed),
                           kNoDialupHandle};
      }
    }
  }

  std::uint64_t serial = 0;
  {
    std::lock_guard lock(impl_->mutex);
    serial = impl_->deviceSerial;
  }
  DbusReply activated =
      callDbus(bus, kNmBusName, kNmPath, kNmInterface, "ActivateConnection",
               g_variant_new("(ooo)", profile->path.c_str(), "/", "/"), "(o)", timeout);
  if (!activated.ok()) {
    return DialupStart{nmCallError(activated.errorName, activated.timedOut, activated.closed),
                       kNoDialupHandle};
  }
  const gchar* activePath = nullptr;
  g_variant_get(activated.value.get(), "(&o)", &activePath);
  std::string path = activePath;

  DialupHandle handle = kNoDialupHandle;
  {
    std::lock_guard lock(impl_->mutex);
    // A connection formerly under this path has ended.
    if (auto old = impl_->byPath.find(path); old != impl_->byPath.end()) {
      auto line = impl_->lines.find(old->second);
      if (line != impl_->lines.end()) line->second.removed = true;
      impl_->byPath.erase(old);
    }
    Impl::Early e;
    if (auto it = impl_->early.find(path); it != impl_->early.end()) {
      e = it->second;
      impl_->early.erase(it);
    }
    handle = impl_->nextHandle++;
    Impl::Line& line = impl_->lines[handle];
    line.path = path;
    line.entry = profile->id;
    line.nmState = e.state;
    line.activeReason = e.reason;
    line.removed = e.removed || !impl_->nmPresent;
    if (!impl_->nmPresent) line.error = NmStopped;
    line.dialled = true;
    line.progress = std::move(progress);
    line.deviceSerialAtStart = serial;
    if (!line.removed) impl_->byPath[path] = handle;
  }
  Impl* impl = impl_.get();
  impl->post([impl, handle] { impl->catchUp(handle); });
  return DialupStart{DialupOk, handle};
}

void NetworkManagerDialupService::hangUp(DialupHandle handle) {
  std::string path;
  {
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->lines.find(handle);
    if (it == impl_->lines.end() || it->second.removed) return;
    Impl::Line& line = it->second;
    if (line.dialled && !line.finished) {
      line.finished = true;  // nothing more is reported for a dial hung up
      line.progress = nullptr;
    }
    path = line.path;
  }
  callDbus(impl_->connection, kNmBusName, kNmPath, kNmInterface, "DeactivateConnection",
           g_variant_new("(o)", path.c_str()), nullptr, impl_->timeout());
}

std::string NetworkManagerDialupService::errorText(int error) { return nmErrorText(error); }

}  // namespace karone
