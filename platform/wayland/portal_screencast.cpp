// The ScreenCast portal over GDBus: CreateSession, SelectSources (every
// monitor, the pointer's position as metadata, consent kept), Start and
// OpenPipeWireRemote. Each request answers later with a Response signal on
// its own object path, which is subscribed to before the call.
#include <gio/gio.h>
#include <gio/gunixfdlist.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/wayland/WaylandScreen.h"

namespace velmora {

namespace {

const char* const kPortalName = "org.freedesktop.portal.Desktop";
const char* const kPortalPath = "/org/freedesktop/portal/desktop";
const char* const kScreenCast = "org.freedesktop.portal.ScreenCast";

// Cursor modes and source types of the portal.
constexpr guint32 kCursorMetadata = 4;
constexpr guint32 kSourceMonitor = 1;
// Kept until the user revokes it.
constexpr guint32 kPersistUntilRevoked = 2;

struct PortalError {
  ScreenCastGrant::Outcome outcome;
  std::string detail;
};

// One portal request: the call, then its Response signal.
class Request {
 public:
  Request(GDBusConnection* bus, GMainContext* context, const char* interface = kScreenCast)
      : bus_(bus), context_(context), interface_(interface) {
    static int counter = 0;
    token_ = "velmora" + std::to_string(++counter);
    std::string sender = g_dbus_connection_get_unique_name(bus) + 1;  // without ':'
    for (char& c : sender) {
      if (c == '.') c = '_';
    }
    path_ = std::string(kPortalPath) + "/request/" + sender + "/" + token_;
    subscription_ = g_dbus_connection_signal_subscribe(
        bus, kPortalName, "org.freedesktop.portal.Request", "Response", path_.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NO_MATCH_RULE, OnResponse, this, nullptr);
  }
  ~Request() {
    g_dbus_connection_signal_unsubscribe(bus_, subscription_);
    if (results_ != nullptr) g_variant_unref(results_);
  }
  Request(const Request&) = delete;
  Request& operator=(const Request&) = delete;

  const std::string& Token() const { return token_; }

  // Calls `method` and waits for its Response. The results on success (owned
  // by the request), else nullptr with `error` set.
  GVariant* Call(const char* method, GVariant* parameters, PortalError* error) {
    GError* callError = nullptr;
    GVariant* reply = g_dbus_connection_call_sync(bus_, kPortalName, kPortalPath, interface_,
                                                  method, parameters, G_VARIANT_TYPE("(o)"),
                                                  G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &callError);
    if (reply == nullptr) {
      *error = {ScreenCastGrant::Outcome::Failed, std::string(method) + ": " + callError->message};
      g_error_free(callError);
      return nullptr;
    }
    g_variant_unref(reply);
    while (!answered_) g_main_context_iteration(context_, TRUE);
    if (code_ == 1) {
      *error = {ScreenCastGrant::Outcome::Refused, method};
      return nullptr;
    }
    if (code_ != 0) {
      *error = {ScreenCastGrant::Outcome::Failed,
                std::string(method) + " ended with response " + std::to_string(code_)};
      return nullptr;
    }
    return results_;
  }

 private:
  static void OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant* parameters, gpointer self) {
    auto* request = static_cast<Request*>(self);
    if (request->answered_) return;
    g_variant_get(parameters, "(u@a{sv})", &request->code_, &request->results_);
    request->answered_ = true;
  }

  GDBusConnection* bus_;
  GMainContext* context_;
  const char* interface_;
  std::string token_;
  std::string path_;
  guint subscription_ = 0;
  bool answered_ = false;
  guint32 code_ = 2;
  GVariant* results_ = nullptr;
};

std::string StringResult(GVariant* results, const char* key) {
  const gchar* value = nullptr;
  if (results == nullptr || !g_variant_lookup(results, key, "&s", &value)) return std::string();
  return value;
}

// The portal's cursor modes; 0 with `error` set when there is no ScreenCast portal.
guint32 AvailableCursorModes(GDBusConnection* bus, PortalError* error) {
  GError* callError = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, kPortalName, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kScreenCast, "AvailableCursorModes"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &callError);
  if (reply == nullptr) {
    *error = {ScreenCastGrant::Outcome::NoPortal, callError->message};
    g_error_free(callError);
    return 0;
  }
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  guint32 modes =
      g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32) ? g_variant_get_uint32(value) : 0;
  g_variant_unref(value);
  g_variant_unref(reply);
  return modes;
}

void ReadStreams(GVariant* results, ScreenCastGrant* grant) {
  GVariant* streams = g_variant_lookup_value(results, "streams", G_VARIANT_TYPE("a(ua{sv})"));
  if (streams == nullptr) return;
  GVariantIter iter;
  g_variant_iter_init(&iter, streams);
  guint32 node = 0;
  GVariant* properties = nullptr;
  while (g_variant_iter_next(&iter, "(u@a{sv})", &node, &properties)) {
    ScreenCastStream stream;
    stream.nodeId = node;
    gint32 x = 0, y = 0;
    if (g_variant_lookup(properties, "position", "(ii)", &x, &y)) stream.position = Point{x, y};
    if (g_variant_lookup(properties, "size", "(ii)", &x, &y)) stream.size = Size{x, y};
    grant->streams.push_back(stream);
    g_variant_unref(properties);
  }
  g_variant_unref(streams);
}

ScreenCastGrant Negotiate(GDBusConnection* bus, GMainContext* context, const std::string& token) {
  ScreenCastGrant grant;
  PortalError error{ScreenCastGrant::Outcome::Failed, ""};
  auto fail = [&grant, &error]() {
    grant.outcome = error.outcome;
    grant.detail = error.detail;
    return grant;
  };
  const guint32 modes = AvailableCursorModes(bus, &error);
  if (!error.detail.empty()) return fail();
  if ((modes & kCursorMetadata) == 0) {
    grant.outcome = ScreenCastGrant::Outcome::NoPointerPositions;
    return grant;
  }

  std::string session;
  {
    Request create(bus, context);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string(create.Token().c_str()));
    g_variant_builder_add(&options, "{sv}", "session_handle_token",
                          g_variant_new_string(create.Token().c_str()));
    GVariant* results = create.Call("CreateSession", g_variant_new("(a{sv})", &options), &error);
    if (results == nullptr) return fail();
    session = StringResult(results, "session_handle");
  }
  {
    Request select(bus, context);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string(select.Token().c_str()));
    g_variant_builder_add(&options, "{sv}", "types", g_variant_new_uint32(kSourceMonitor));
    g_variant_builder_add(&options, "{sv}", "multiple", g_variant_new_boolean(TRUE));
    g_variant_builder_add(&options, "{sv}", "cursor_mode", g_variant_new_uint32(kCursorMetadata));
    g_variant_builder_add(&options, "{sv}", "persist_mode",
                          g_variant_new_uint32(kPersistUntilRevoked));
    if (!token.empty()) {
      g_variant_builder_add(&options, "{sv}", "restore_token", g_variant_new_string(token.c_str()));
    }
    if (select.Call("SelectSources", g_variant_new("(oa{sv})", session.c_str(), &options),
                    &error) == nullptr) {
      return fail();
    }
  }
  {
    Request start(bus, context);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string(start.Token().c_str()));
    GVariant* results =
        start.Call("Start", g_variant_new("(osa{sv})", session.c_str(), "", &options), &error);
    if (results == nullptr) return fail();
    ReadStreams(results, &grant);
    grant.restoreToken = StringResult(results, "restore_token");
  }
  if (grant.streams.empty()) {
    error = {ScreenCastGrant::Outcome::Failed, "the desktop shared no monitor"};
    return fail();
  }

  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  GUnixFDList* fds = nullptr;
  GError* callError = nullptr;
  GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
      bus, kPortalName, kPortalPath, kScreenCast, "OpenPipeWireRemote",
      g_variant_new("(oa{sv})", session.c_str(), &options), G_VARIANT_TYPE("(h)"),
      G_DBUS_CALL_FLAGS_NONE, 10000, nullptr, &fds, nullptr, &callError);
  if (reply == nullptr) {
    error = {ScreenCastGrant::Outcome::Failed,
             std::string("OpenPipeWireRemote: ") + callError->message};
    g_error_free(callError);
    return fail();
  }
  gint32 index = -1;
  g_variant_get(reply, "(h)", &index);
  g_variant_unref(reply);
  grant.pipeWireFd = g_unix_fd_list_get(fds, index, nullptr);
  g_object_unref(fds);
  if (grant.pipeWireFd < 0) {
    error = {ScreenCastGrant::Outcome::Failed, "OpenPipeWireRemote gave no connection"};
    return fail();
  }
  grant.outcome = ScreenCastGrant::Outcome::Granted;
  return grant;
}

// The session bus the portals' sessions live on.
// NOTE: a portal session lives as long as its connection: this one is kept
// open for the whole run on purpose.
GDBusConnection* PortalBus(GError** error) {
  static GDBusConnection* bus = nullptr;
  if (bus == nullptr) bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error);
  return bus;
}

}  // namespace

ScreenCastGrant RequestScreenCast(const std::string& restoreToken) {
  GError* error = nullptr;
  GDBusConnection* bus = PortalBus(&error);
  if (bus == nullptr) {
    ScreenCastGrant grant;
    grant.outcome = ScreenCastGrant::Outcome::NoPortal;
    grant.detail = error->message;
    g_error_free(error);
    return grant;
  }
  // The Response signals come on a context of our own: nothing else of the
  // program runs while the desktop asks.
  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  ScreenCastGrant grant = Negotiate(bus, context, restoreToken);
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  return grant;
}

std::string ScreenCastFailureText(const ScreenCastGrant& grant) {
  std::string text;
  switch (grant.outcome) {
    case ScreenCastGrant::Outcome::NoPortal:
      text =
          "Velmora cannot see the screen: this Wayland session has no screen-sharing portal "
          "(org.freedesktop.portal.ScreenCast).\n\n"
          "Install the desktop portal for your desktop (for example xdg-desktop-portal-gnome or "
          "xdg-desktop-portal-kde), log out and in again, or log in to an X11 session.";
      break;
    case ScreenCastGrant::Outcome::NoPointerPositions:
      text =
          "Velmora cannot follow the pointer: this desktop's screen-sharing portal does not "
          "send the pointer's position with the picture.\n\n"
          "GNOME and KDE Plasma do; on other desktops, log in to an X11 session to use Velmora.";
      break;
    case ScreenCastGrant::Outcome::Refused:
      text =
          "Velmora cannot see the screen: sharing the screen was refused.\n\n"
          "Start Velmora again and allow it to share the screen; it only reads the colour under "
          "the pointer, and nothing leaves this computer.";
      break;
    default:
      text =
          "Velmora cannot see the screen: the screen-sharing portal failed.\n\n"
          "Start Velmora again, or log in to an X11 session.";
      break;
  }
  if (!grant.detail.empty() && grant.outcome != ScreenCastGrant::Outcome::Refused) {
    text += "\n\n(" + grant.detail + ")";
  }
  return text;
}

std::string ScreenCastTokenFile(const std::string& configBaseFolder) {
  return configBaseFolder + "/Quorvane/Velmora/ScreenCast.token";
}

std::string ReadScreenCastToken(const std::string& file) {
  std::ifstream in(file);
  std::string token;
  std::getline(in, token);
  return token;
}

void WriteScreenCastToken(const std::string& file, const std::string& token) {
  if (token.empty()) return;
  gchar* folder = g_path_get_dirname(file.c_str());
  g_mkdir_with_parents(folder, 0700);
  g_free(folder);
  g_file_set_contents(file.c_str(), (token + "\n").c_str(), -1, nullptr);
}

// --- Global shortcuts ------------------------------------------------------------

namespace {

const char* const kGlobalShortcuts = "org.freedesktop.portal.GlobalShortcuts";

struct ShortcutName {
  HotKey key;
  const char* id;
  const char* description;
  const char* trigger;  // preferred: the desktop may choose others
};
const ShortcutName kShortcuts[] = {
    {HotKey::AltH, "copy-hex", "Copy the hex code of the colour under the pointer", "ALT+h"},
    {HotKey::AltD, "copy-dec", "Copy the decimal triple of the colour under the pointer", "ALT+d"},
    {HotKey::AltS, "store", "Store the colour under the pointer in the colour box", "ALT+s"},
};

}  // namespace

GlobalShortcuts::GlobalShortcuts(std::function<void(HotKey)> pressed)
    : pressed_(std::move(pressed)) {
  GError* error = nullptr;
  bus_ = PortalBus(&error);
  if (bus_ == nullptr) {
    error_ = error->message;
    g_error_free(error);
    return;
  }
  // Is the portal there at all? Its version says.
  GVariant* version = g_dbus_connection_call_sync(
      bus_, kPortalName, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kGlobalShortcuts, "version"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &error);
  if (version == nullptr) {
    error_ = std::string("no global shortcuts portal: ") + error->message;
    g_error_free(error);
    return;
  }
  g_variant_unref(version);

  GMainContext* context = g_main_context_new();
  g_main_context_push_thread_default(context);
  PortalError failure{ScreenCastGrant::Outcome::Failed, ""};
  {
    Request create(bus_, context, kGlobalShortcuts);
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string(create.Token().c_str()));
    g_variant_builder_add(&options, "{sv}", "session_handle_token",
                          g_variant_new_string("velmora_shortcuts"));
    GVariant* results = create.Call("CreateSession", g_variant_new("(a{sv})", &options), &failure);
    session_ = StringResult(results, "session_handle");
  }
  if (!session_.empty()) {
    Request bind(bus_, context, kGlobalShortcuts);
    GVariantBuilder shortcuts;
    g_variant_builder_init(&shortcuts, G_VARIANT_TYPE("a(sa{sv})"));
    for (const ShortcutName& shortcut : kShortcuts) {
      GVariantBuilder properties;
      g_variant_builder_init(&properties, G_VARIANT_TYPE_VARDICT);
      g_variant_builder_add(&properties, "{sv}", "description",
                            g_variant_new_string(shortcut.description));
      g_variant_builder_add(&properties, "{sv}", "preferred_trigger",
                            g_variant_new_string(shortcut.trigger));
      g_variant_builder_add(&shortcuts, "(sa{sv})", shortcut.id, &properties);
    }
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "handle_token",
                          g_variant_new_string(bind.Token().c_str()));
    bind.Call("BindShortcuts",
              g_variant_new("(oa(sa{sv})sa{sv})", session_.c_str(), &shortcuts, "", &options),
              &failure);
  } else if (failure.detail.empty()) {
    failure.detail = "CreateSession gave no session";
  }
  g_main_context_pop_thread_default(context);
  g_main_context_unref(context);
  if (!failure.detail.empty()) {
    error_ = failure.detail;
    return;
  }
  // On the main loop's context, where the program's events are.
  // NOTE: a match rule's arg0 compares strings only, never an object path:
  // the session is compared in OnActivated.
  subscription_ = g_dbus_connection_signal_subscribe(
      bus_, kPortalName, kGlobalShortcuts, "Activated", kPortalPath, nullptr,
      G_DBUS_SIGNAL_FLAGS_NONE, OnActivated, this, nullptr);
}

GlobalShortcuts::~GlobalShortcuts() {
  if (subscription_ != 0) g_dbus_connection_signal_unsubscribe(bus_, subscription_);
  if (!session_.empty() && bus_ != nullptr) {
    g_dbus_connection_call(bus_, kPortalName, session_.c_str(), "org.freedesktop.portal.Session",
                           "Close", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr,
                           nullptr);
    g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
  }
}

void GlobalShortcuts::OnActivated(GDBusConnection*, const char*, const char*, const char*,
                                  const char*, GVariant* parameters, void* self) {
  auto* shortcuts = static_cast<GlobalShortcuts*>(self);
  const gchar* session = nullptr;
  const gchar* id = nullptr;
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(osta{sv})"))) return;
  g_variant_get_child(parameters, 0, "&o", &session);
  g_variant_get_child(parameters, 1, "&s", &id);
  if (shortcuts->session_ != session) return;
  for (const ShortcutName& shortcut : kShortcuts) {
    if (g_strcmp0(id, shortcut.id) == 0) shortcuts->pressed_(shortcut.key);
  }
}

}  // namespace velmora
