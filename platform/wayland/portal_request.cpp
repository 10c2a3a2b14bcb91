// Portal requests: the Response, the portal leaving the bus, a closed
// session and a deadline, whichever comes first.
#include "platform/wayland/PortalRequest.h"

namespace velmora {

namespace {

const char* const kGoneText = "the screen-sharing portal left the session bus";
const char* const kClosedText = "the desktop closed the screen-sharing session";

// NameOwnerChanged of the portal: gone when the new owner is empty.
bool PortalLeft(GVariant* parameters) {
  const gchar* name = nullptr;
  const gchar* before = nullptr;
  const gchar* after = nullptr;
  if (!g_variant_is_of_type(parameters, G_VARIANT_TYPE("(sss)"))) return false;
  g_variant_get(parameters, "(&s&s&s)", &name, &before, &after);
  return g_strcmp0(name, kPortalName) == 0 && *after == '\0';
}

}  // namespace

GDBusConnection* PortalBus(std::string* error) {
  static GDBusConnection* bus = nullptr;
  if (bus == nullptr) {
    GError* raw = nullptr;
    bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &raw);
    ErrorPtr failed(raw);
    if (failed && error != nullptr) *error = failed->message;
  }
  return bus;
}

PortalRequest::PortalRequest(GDBusConnection* bus, const char* interface)
    : bus_(bus), interface_(interface), context_(g_main_context_new()) {
  static int counter = 0;
  token_ = "velmora" + std::to_string(++counter);
  std::string sender = g_dbus_connection_get_unique_name(bus) + 1;  // without ':'
  for (char& c : sender) {
    if (c == '.') c = '_';
  }
  path_ = std::string(kPortalPath) + "/request/" + sender + "/" + token_;
}

PortalRequest::~PortalRequest() {
  g_main_context_unref(context_);
}

VariantPtr PortalRequest::Call(const char* method, GVariant* parameters, int deadlineSeconds,
                               const std::string& session, PortalFailure* failure) {
  // The signals come on the request's own context: nothing else of the
  // program runs while the desktop asks.
  g_main_context_push_thread_default(context_);
  const guint response = g_dbus_connection_signal_subscribe(
      bus_, kPortalName, "org.freedesktop.portal.Request", "Response", path_.c_str(), nullptr,
      G_DBUS_SIGNAL_FLAGS_NO_MATCH_RULE, OnResponse, this, nullptr);
  // NOTE: Response is sent to us alone and needs no match rule; the portal's
  // leaving and the session's closing are broadcasts and need theirs.
  PortalWatch watch = WatchPortal(bus_, session, OnEnded, this);
  GSource* deadline = nullptr;
  if (deadlineSeconds > 0) {
    deadline = g_timeout_source_new_seconds(static_cast<guint>(deadlineSeconds));
    g_source_set_callback(deadline, OnDeadline, this, nullptr);
    g_source_attach(deadline, context_);
  }
  GError* raw = nullptr;
  VariantPtr reply(g_dbus_connection_call_sync(bus_, kPortalName, kPortalPath, interface_, method,
                                               parameters, G_VARIANT_TYPE("(o)"),
                                               G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &raw));
  ErrorPtr error(raw);
  while (reply && !answered_ && ended_.empty()) g_main_context_iteration(context_, TRUE);
  if (deadline != nullptr) {
    g_source_destroy(deadline);
    g_source_unref(deadline);
  }
  g_dbus_connection_signal_unsubscribe(bus_, response);
  StopWatching(bus_, watch);
  g_main_context_pop_thread_default(context_);

  const std::string name(method);
  if (error) {
    *failure = {PortalFailure::Kind::Failed, name + ": " + error->message};
  } else if (!answered_) {
    *failure = {PortalFailure::Kind::Failed, name + ": " + ended_};
  } else if (code_ == 1) {
    *failure = {PortalFailure::Kind::Refused, name};
  } else if (code_ != 0) {
    *failure = {PortalFailure::Kind::Failed,
                name + " ended with response " + std::to_string(code_)};
  } else {
    return std::move(results_);
  }
  return nullptr;
}

void PortalRequest::OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                               const gchar*, GVariant* parameters, gpointer self) {
  auto* request = static_cast<PortalRequest*>(self);
  if (request->answered_ || !g_variant_is_of_type(parameters, G_VARIANT_TYPE("(ua{sv})"))) return;
  GVariant* results = nullptr;
  g_variant_get(parameters, "(u@a{sv})", &request->code_, &results);
  request->results_.reset(results);
  request->answered_ = true;
}

void PortalRequest::OnEnded(void* self, const char* why) {
  static_cast<PortalRequest*>(self)->ended_ = why;
}

gboolean PortalRequest::OnDeadline(gpointer self) {
  static_cast<PortalRequest*>(self)->ended_ = "the screen-sharing portal did not answer";
  return G_SOURCE_REMOVE;
}

std::string StringResult(GVariant* results, const char* key) {
  const gchar* value = nullptr;
  if (results == nullptr || !g_variant_lookup(results, key, "&s", &value)) return std::string();
  return value;
}

namespace {

struct WatchTarget {
  PortalGoneHandler handler;
  void* data;
};

void OnWatched(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* signal,
               GVariant* parameters, gpointer target) {
  const auto* watch = static_cast<const WatchTarget*>(target);
  if (g_strcmp0(signal, "Closed") == 0) {
    watch->handler(watch->data, kClosedText);
  } else if (PortalLeft(parameters)) {
    watch->handler(watch->data, kGoneText);
  }
}

void FreeTarget(gpointer target) {
  delete static_cast<WatchTarget*>(target);
}

}  // namespace

PortalWatch WatchPortal(GDBusConnection* bus, const std::string& session, PortalGoneHandler handler,
                        void* data) {
  PortalWatch watch;
  watch.nameOwner = g_dbus_connection_signal_subscribe(
      bus, "org.freedesktop.DBus", "org.freedesktop.DBus", "NameOwnerChanged",
      "/org/freedesktop/DBus", kPortalName, G_DBUS_SIGNAL_FLAGS_NONE, OnWatched,
      new WatchTarget{handler, data}, FreeTarget);
  if (!session.empty()) {
    watch.closed = g_dbus_connection_signal_subscribe(
        bus, kPortalName, "org.freedesktop.portal.Session", "Closed", session.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE, OnWatched, new WatchTarget{handler, data}, FreeTarget);
  }
  return watch;
}

void StopWatching(GDBusConnection* bus, PortalWatch& watch) {
  if (watch.nameOwner != 0) g_dbus_connection_signal_unsubscribe(bus, watch.nameOwner);
  if (watch.closed != 0) g_dbus_connection_signal_unsubscribe(bus, watch.closed);
  watch = PortalWatch{};
}

}  // namespace velmora
