#include "tests/support/networkmanager/NetworkManagerMock.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "tests/support/PyFtpServer.h"

namespace karone::testing {
namespace {

constexpr const char* kName = "org.freedesktop.NetworkManager";
constexpr const char* kMockPath = "/org/freedesktop";
constexpr const char* kMockInterface = "org.freedesktop.DBus.Mock";
constexpr int kCallTimeoutMs = 10000;

}  // namespace

NetworkManagerMock::NetworkManagerMock(const PrivateSystemBus& bus) {
  if (!bus.started()) {
    error_ = "no bus: " + bus.error();
    return;
  }
  GError* error = nullptr;
  control_ = g_dbus_connection_new_for_address_sync(
      bus.address().c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, &error);
  if (control_ == nullptr) {
    error_ = std::string("cannot connect to the test bus: ") + error->message;
    g_error_free(error);
    return;
  }
  std::string script =
      std::string(KARONE_SOURCE_DIR) + "/tests/support/networkmanager/nm_line_template.py";
  if (!process_.start({"/usr/bin/env", "DBUS_SYSTEM_BUS_ADDRESS=" + bus.address(),
                       "PYTHONDONTWRITEBYTECODE=1", systemPython(), "-m", "dbusmock", "--system",
                       "--template", script},
                      dir_.file("mock.log"))) {
    error_ = process_.error();
    return;
  }
  // Ready once it owns NetworkManager's name.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline && process_.running()) {
    GVariant* owned = g_dbus_connection_call_sync(
        control_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
        "NameHasOwner", g_variant_new("(s)", kName), G_VARIANT_TYPE("(b)"),
        G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr);
    gboolean yes = FALSE;
    if (owned != nullptr) {
      g_variant_get(owned, "(b)", &yes);
      g_variant_unref(owned);
    }
    if (yes) {
      started_ = true;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  error_ = "the simulated NetworkManager did not start: " + log();
  process_.stop();
}

NetworkManagerMock::~NetworkManagerMock() {
  process_.stop();
  if (control_ != nullptr) {
    g_dbus_connection_close_sync(control_, nullptr, nullptr);
    g_object_unref(control_);
  }
}

std::string NetworkManagerMock::log() const { return readFile(dir_.file("mock.log")); }

void NetworkManagerMock::stop() { process_.stop(); }

void NetworkManagerMock::freeze() {
  if (process_.pid() > 0) ::kill(process_.pid(), SIGSTOP);
}

void NetworkManagerMock::thaw() {
  if (process_.pid() > 0) ::kill(process_.pid(), SIGCONT);
}

GVariant* NetworkManagerMock::call(const char* method, GVariant* parameters,
                                   const char* replyType) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      control_, kName, kMockPath, kMockInterface, method, parameters,
      replyType != nullptr ? G_VARIANT_TYPE(replyType) : nullptr, G_DBUS_CALL_FLAGS_NONE,
      kCallTimeoutMs, nullptr, &error);
  if (reply == nullptr) {
    ADD_FAILURE() << "simulated NetworkManager: " << method << ": " << error->message;
    g_error_free(error);
  }
  return reply;
}

namespace {

std::string firstString(GVariant* reply) {
  if (reply == nullptr) return {};
  GVariant* child = g_variant_get_child_value(reply, 0);
  std::string s = g_variant_get_string(child, nullptr);
  g_variant_unref(child);
  g_variant_unref(reply);
  return s;
}

void drop(GVariant* reply) {
  if (reply != nullptr) g_variant_unref(reply);
}

}  // namespace

std::string NetworkManagerMock::addProfile(const std::string& id, const std::string& type,
                                           const std::string& user, std::uint32_t passwordFlags) {
  return firstString(call("AddProfile",
                          g_variant_new("(sssu)", id.c_str(), type.c_str(), user.c_str(),
                                        passwordFlags),
                          "(o)"));
}

void NetworkManagerMock::setSecret(const std::string& id, const std::string& password,
                                   bool denied) {
  drop(call("SetSecret", g_variant_new("(ssb)", id.c_str(), password.c_str(), denied), "()"));
}

void NetworkManagerMock::scriptActivation(const std::string& id, const std::string& outcome) {
  drop(call("ScriptActivation", g_variant_new("(ss)", id.c_str(), outcome.c_str()), "()"));
}

std::string NetworkManagerMock::addActiveLine(const std::string& id) {
  return firstString(call("AddActiveLine", g_variant_new("(s)", id.c_str()), "(o)"));
}

std::string NetworkManagerMock::activePathOf(const std::string& id) {
  return firstString(call("ActivePathOf", g_variant_new("(s)", id.c_str()), "(o)"));
}

void NetworkManagerMock::setActiveState(const std::string& activePath, std::uint32_t state,
                                        std::uint32_t reason) {
  drop(call("SetActiveState", g_variant_new("(ouu)", activePath.c_str(), state, reason), "()"));
}

std::vector<std::string> NetworkManagerMock::calls() {
  std::vector<std::string> out;
  GVariant* reply = call("Calls", nullptr, "(as)");
  if (reply == nullptr) return out;
  GVariantIter* iter = nullptr;
  const gchar* line = nullptr;
  g_variant_get(reply, "(as)", &iter);
  while (g_variant_iter_next(iter, "&s", &line)) out.emplace_back(line);
  g_variant_iter_free(iter);
  g_variant_unref(reply);
  return out;
}

}  // namespace karone::testing
