// Commands of the running program: `velmora --copy-hex`, `--copy-dec` and
// `--store` ask the Velmora of this session, over the session's D-Bus, to act
// as if Alt+H, Alt+D or Alt+S were pressed. The first Velmora of a session
// owns the name; a second copy waits in the bus's queue and takes over when
// the first ends.
#include <cstdlib>
#include <string>

#include "platform/PlatformFactory.h"
#include "platform/linux/LinuxPlatform.h"

namespace velmora {

namespace {

const char* const kBusName = "com.quorvane.Velmora";
const char* const kObjectPath = "/com/quorvane/Velmora";
const char* const kInterface = "com.quorvane.Velmora";
// The D-Bus method of a command: its name in CamelCase ("copy-hex": "CopyHex").
std::string MethodOf(const ActionName& action) {
  std::string method;
  bool upper = true;
  for (const char* c = action.name; *c != '\0'; ++c) {
    if (*c == '-') {
      upper = true;
      continue;
    }
    method += upper ? static_cast<char>(*c - 'a' + 'A') : *c;
    upper = false;
  }
  return method;
}

// The interface: a method without arguments for each command.
std::string Introspection() {
  std::string xml = std::string("<node><interface name='") + kInterface + "'>";
  for (const ActionName& action : kActionNames) {
    if (action.command) xml += "<method name='" + MethodOf(action) + "'/>";
  }
  return xml + "</interface></node>";
}

// The session bus, without starting one: GLib would otherwise launch a bus
// for an X display that has none (dbus-launch), which outlives Velmora.
GDBusConnection* SessionBus(GError** error) {
  std::string address;
  if (const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS"); named != nullptr && *named) {
    address = named;
  } else {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || *runtime == '\0') return nullptr;
    const std::string socket = std::string(runtime) + "/bus";
    if (!g_file_test(socket.c_str(), G_FILE_TEST_EXISTS)) return nullptr;
    gchar* escaped = g_dbus_address_escape_value(socket.c_str());
    address = std::string("unix:path=") + escaped;
    g_free(escaped);
  }
  return g_dbus_connection_new_for_address_sync(
      address.c_str(),
      static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                        G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
      nullptr, nullptr, error);
}

}  // namespace

void LinuxPlatform::StartCommands() {
  if (commandBus_ != nullptr) return;
  commandBus_ = SessionBus(nullptr);
  if (commandBus_ == nullptr) return;  // no session bus: the hot keys only
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(Introspection().c_str(), nullptr);
  static const GDBusInterfaceVTable vtable = {OnCommand, nullptr, nullptr, {}};
  commandObject_ = g_dbus_connection_register_object(commandBus_, kObjectPath, node->interfaces[0],
                                                     &vtable, this, nullptr, nullptr);
  g_dbus_node_info_unref(node);
  // Asked and answered before the window shows, so a command sent once the
  // window is up finds the name.
  GVariant* reply = g_dbus_connection_call_sync(
      commandBus_, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
      "RequestName", g_variant_new("(su)", kBusName, 0u), G_VARIANT_TYPE("(u)"),
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
  if (reply != nullptr) g_variant_unref(reply);
}

void LinuxPlatform::StopCommands() {
  if (commandBus_ == nullptr) return;
  if (commandObject_ != 0) g_dbus_connection_unregister_object(commandBus_, commandObject_);
  commandObject_ = 0;
  g_dbus_connection_close_sync(commandBus_, nullptr, nullptr);
  g_object_unref(commandBus_);
  commandBus_ = nullptr;
}

void LinuxPlatform::OnCommand(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                              const gchar* method, GVariant*, GDBusMethodInvocation* invocation,
                              gpointer self) {
  auto* platform = static_cast<LinuxPlatform*>(self);
  for (const ActionName& action : kActionNames) {
    if (!action.command || MethodOf(action) != method) continue;
    // Answered first: the key's work may open a modal box (the clipboard
    // stayed busy), which the caller must not wait for.
    g_dbus_method_invocation_return_value(invocation, nullptr);
    platform->Perform(action.action);
    return;
  }
  g_dbus_method_invocation_return_error(invocation, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_METHOD,
                                        "no method %s", method);
}

std::string SendToRunningVelmora(Action action) {
  const ActionName& name = NameOf(action);
  if (!name.command) return "this action has no command";
  const std::string method = MethodOf(name);
  const std::string notRunning = "no Velmora is running in this session; start it first";
  GError* error = nullptr;
  GDBusConnection* bus = SessionBus(&error);
  if (bus == nullptr) {
    if (error != nullptr) g_error_free(error);
    return notRunning + " (there is no D-Bus session bus)";
  }
  GVariant* reply =
      g_dbus_connection_call_sync(bus, kBusName, kObjectPath, kInterface, method.c_str(), nullptr,
                                  nullptr, G_DBUS_CALL_FLAGS_NO_AUTO_START, 10000, nullptr, &error);
  std::string result;
  if (reply != nullptr) {
    g_variant_unref(reply);
  } else if (g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_SERVICE_UNKNOWN) ||
             g_error_matches(error, G_DBUS_ERROR, G_DBUS_ERROR_NAME_HAS_NO_OWNER)) {
    result = notRunning;
  } else {
    gchar* remote = g_dbus_error_get_remote_error(error);
    if (remote != nullptr) g_dbus_error_strip_remote_error(error);
    result = std::string("the running Velmora did not answer: ") + error->message;
    g_free(remote);
  }
  if (error != nullptr) g_error_free(error);
  g_dbus_connection_close_sync(bus, nullptr, nullptr);
  g_object_unref(bus);
  return result;
}

}  // namespace velmora
