// Requests to the desktop portals over GDBus (org.freedesktop.portal.*):
// the session bus they live on, the options a call takes, and a request's
// answer, which comes later as a Response signal on an object path of its
// own. Only GLib/GIO is seen here.
#pragma once

#include <gio/gio.h>

#include <memory>
#include <string>

namespace velmora {

inline constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
inline constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";

// GLib objects owned here.
struct GVariantUnref {
  void operator()(GVariant* v) const { g_variant_unref(v); }
};
using VariantPtr = std::unique_ptr<GVariant, GVariantUnref>;
struct GErrorFree {
  void operator()(GError* e) const { g_error_free(e); }
};
using ErrorPtr = std::unique_ptr<GError, GErrorFree>;

// The session bus the portals' sessions live on (nullptr, `error` set, when
// there is none).
// NOTE: a portal session lives as long as its connection: it is kept open
// for the whole run on purpose.
GDBusConnection* PortalBus(std::string* error);

// The a{sv} of a portal call's options, built up one entry at a time.
class PortalOptions {
 public:
  PortalOptions() { g_variant_builder_init(&builder_, G_VARIANT_TYPE_VARDICT); }
  ~PortalOptions() { g_variant_builder_clear(&builder_); }
  PortalOptions(const PortalOptions&) = delete;
  PortalOptions& operator=(const PortalOptions&) = delete;

  PortalOptions& Add(const char* key, GVariant* value) {
    g_variant_builder_add(&builder_, "{sv}", key, value);
    return *this;
  }
  PortalOptions& Add(const char* key, const std::string& text) {
    return Add(key, g_variant_new_string(text.c_str()));
  }
  // The a{sv}, floating, for g_variant_new's "@a{sv}"; the builder is then empty.
  GVariant* End() { return g_variant_builder_end(&builder_); }

 private:
  GVariantBuilder builder_;
};

// How a request ended when it did not answer with success.
struct PortalFailure {
  enum class Kind { None, Refused, Failed };
  Kind kind = Kind::None;
  std::string detail;  // the portal's or D-Bus's own words
  explicit operator bool() const { return kind != Kind::None; }
};

// Calls `handler` on the thread's current main context when the portal
// leaves the bus or `session` is closed; returns the subscriptions to end
// with StopWatching.
struct PortalWatch {
  guint nameOwner = 0;
  guint closed = 0;
};
using PortalGoneHandler = void (*)(void* data, const char* why);
PortalWatch WatchPortal(GDBusConnection* bus, const std::string& session, PortalGoneHandler handler,
                        void* data);
void StopWatching(GDBusConnection* bus, PortalWatch& watch);

// One portal request: subscribed to its Response before the call, then
// waited for on a main context of its own. The wait ends early when the
// portal leaves the bus, when `session` (if given) is closed, or after
// `deadlineSeconds` (0: none, for a request that asks the user).
class PortalRequest {
 public:
  PortalRequest(GDBusConnection* bus, const char* interface);
  ~PortalRequest();
  PortalRequest(const PortalRequest&) = delete;
  PortalRequest& operator=(const PortalRequest&) = delete;

  // The handle_token the call's options must carry.
  const std::string& Token() const { return token_; }

  // Calls `method` with `parameters` (floating) and waits for its Response;
  // its results on success, else nullptr with `failure` set.
  VariantPtr Call(const char* method, GVariant* parameters, int deadlineSeconds,
                  const std::string& session, PortalFailure* failure);

 private:
  static void OnResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant* parameters, gpointer self);
  static void OnEnded(void* self, const char* why);
  static gboolean OnDeadline(gpointer self);

  GDBusConnection* bus_;
  const char* interface_;
  GMainContext* context_;
  std::string token_;
  std::string path_;
  bool answered_ = false;
  guint32 code_ = 2;
  VariantPtr results_;
  std::string ended_;  // why the wait ended without a Response
};

// A string of a request's results ("" when missing).
std::string StringResult(GVariant* results, const char* key);

}  // namespace velmora
