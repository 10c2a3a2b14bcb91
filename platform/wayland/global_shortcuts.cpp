// The global shortcuts portal: CreateSession, BindShortcuts with each
// command's action as a shortcut, then its Activated signal.
#include "platform/wayland/GlobalShortcuts.h"
#include "platform/wayland/PortalRequest.h"

namespace velmora {

namespace {

const char* const kGlobalShortcuts = "org.freedesktop.portal.GlobalShortcuts";
// How long the desktop may take over a request that asks the user nothing.
constexpr int kAnswerSeconds = 30;

// "ALT+h": the key the desktop is asked for first.
std::string PreferredTrigger(HotKey key) {
  const char letters[] = {'d', 'h', 's', 'z', 'c'};
  return std::string("ALT+") + letters[static_cast<int>(key)];
}

}  // namespace

GlobalShortcuts::GlobalShortcuts(std::function<void(Action)> pressed)
    : pressed_(std::move(pressed)) {
  bus_ = PortalBus(&error_);
  if (bus_ == nullptr) return;
  // Is the portal there at all? Its version says.
  GError* raw = nullptr;
  VariantPtr version(g_dbus_connection_call_sync(
      bus_, kPortalName, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kGlobalShortcuts, "version"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, &raw));
  ErrorPtr error(raw);
  if (error) {
    error_ = std::string("no global shortcuts portal: ") + error->message;
    return;
  }

  PortalFailure failure;
  {
    PortalRequest create(bus_, kGlobalShortcuts);
    PortalOptions options;
    options.Add("handle_token", create.Token()).Add("session_handle_token", "velmora_shortcuts");
    VariantPtr results = create.Call("CreateSession", g_variant_new("(@a{sv})", options.End()),
                                     kAnswerSeconds, "", &failure);
    session_ = StringResult(results.get(), "session_handle");
  }
  if (!session_.empty()) {
    GVariantBuilder shortcuts;
    g_variant_builder_init(&shortcuts, G_VARIANT_TYPE("a(sa{sv})"));
    for (const ActionName& action : kActionNames) {
      if (!action.command) continue;
      PortalOptions properties;
      properties.Add("description", action.description)
          .Add("preferred_trigger", PreferredTrigger(action.key));
      g_variant_builder_add(&shortcuts, "(s@a{sv})", action.name, properties.End());
    }
    PortalRequest bind(bus_, kGlobalShortcuts);
    PortalOptions options;
    options.Add("handle_token", bind.Token());
    // NOTE: the desktop may ask the user here: no deadline.
    bind.Call("BindShortcuts",
              g_variant_new("(oa(sa{sv})s@a{sv})", session_.c_str(), &shortcuts, "", options.End()),
              0, session_, &failure);
  } else if (!failure) {
    failure = {PortalFailure::Kind::Failed, "CreateSession gave no session"};
  }
  if (failure) {
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
  const ActionName* action = FindAction(id);
  if (action != nullptr && action->command) shortcuts->pressed_(action->action);
}

}  // namespace velmora
