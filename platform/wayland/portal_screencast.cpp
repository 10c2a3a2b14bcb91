// The ScreenCast portal over GDBus: CreateSession, SelectSources (every
// monitor, the pointer's position as metadata, consent kept), Start and
// OpenPipeWireRemote; then the frames through PipeWire, watched until the
// desktop ends the share.
#include <gio/gunixfdlist.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/wayland/PipeWireFrames.h"
#include "platform/wayland/PortalRequest.h"
#include "platform/wayland/PortalScreen.h"

namespace velmora {

namespace {

const char* const kScreenCast = "org.freedesktop.portal.ScreenCast";

// Cursor modes and source types of the portal.
constexpr guint32 kCursorMetadata = 4;
constexpr guint32 kSourceMonitor = 1;
// Kept until the user revokes it.
constexpr guint32 kPersistUntilRevoked = 2;
// How long the desktop may take over a request that asks the user nothing;
// Start shows the share dialog and waits for the user as long as it takes.
constexpr int kAnswerSeconds = 30;

// What the portal gave: the PipeWire connection and the shared monitors, or
// why there is none.
struct ScreenCastGrant {
  enum class Outcome { Granted, NoPortal, NoPointerPositions, Refused, Failed };
  Outcome outcome = Outcome::Failed;
  std::string detail;  // the portal's or D-Bus's own words, when it failed
  std::string session;
  int pipeWireFd = -1;
  std::vector<ScreenCastStream> streams;
  std::string restoreToken;  // the newest: the next start asks nothing
};

// The portal's cursor modes; 0 with `grant` failed when there is no ScreenCast portal.
guint32 AvailableCursorModes(GDBusConnection* bus, ScreenCastGrant& grant) {
  GError* raw = nullptr;
  VariantPtr reply(g_dbus_connection_call_sync(
      bus, kPortalName, kPortalPath, "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", kScreenCast, "AvailableCursorModes"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, kAnswerSeconds * 1000, nullptr, &raw));
  ErrorPtr error(raw);
  if (error) {
    grant.outcome = ScreenCastGrant::Outcome::NoPortal;
    grant.detail = error->message;
    return 0;
  }
  VariantPtr value(g_variant_get_child_value(reply.get(), 0));
  VariantPtr modes(g_variant_get_variant(value.get()));
  return g_variant_is_of_type(modes.get(), G_VARIANT_TYPE_UINT32)
             ? g_variant_get_uint32(modes.get())
             : 0;
}

void ReadStreams(GVariant* results, ScreenCastGrant& grant) {
  VariantPtr streams(g_variant_lookup_value(results, "streams", G_VARIANT_TYPE("a(ua{sv})")));
  if (!streams) return;
  GVariantIter iter;
  g_variant_iter_init(&iter, streams.get());
  guint32 node = 0;
  GVariant* raw = nullptr;
  while (g_variant_iter_next(&iter, "(u@a{sv})", &node, &raw)) {
    VariantPtr properties(raw);
    ScreenCastStream stream;
    stream.nodeId = node;
    gint32 x = 0, y = 0;
    if (g_variant_lookup(properties.get(), "position", "(ii)", &x, &y))
      stream.position = Point{x, y};
    if (g_variant_lookup(properties.get(), "size", "(ii)", &x, &y)) stream.size = Size{x, y};
    grant.streams.push_back(stream);
  }
}

bool Failed(ScreenCastGrant& grant, const PortalFailure& failure) {
  if (!failure) return false;
  grant.outcome = failure.kind == PortalFailure::Kind::Refused ? ScreenCastGrant::Outcome::Refused
                                                               : ScreenCastGrant::Outcome::Failed;
  grant.detail = failure.detail;
  return true;
}

// The pipe to PipeWire the portal opened for the session (-1 on failure).
int OpenPipeWireRemote(GDBusConnection* bus, ScreenCastGrant& grant) {
  PortalOptions options;
  GUnixFDList* rawFds = nullptr;
  GError* raw = nullptr;
  VariantPtr reply(g_dbus_connection_call_with_unix_fd_list_sync(
      bus, kPortalName, kPortalPath, kScreenCast, "OpenPipeWireRemote",
      g_variant_new("(o@a{sv})", grant.session.c_str(), options.End()), G_VARIANT_TYPE("(h)"),
      G_DBUS_CALL_FLAGS_NONE, kAnswerSeconds * 1000, nullptr, &rawFds, nullptr, &raw));
  ErrorPtr error(raw);
  std::unique_ptr<GUnixFDList, decltype(&g_object_unref)> fds(rawFds, g_object_unref);
  if (error) {
    Failed(grant,
           {PortalFailure::Kind::Failed, std::string("OpenPipeWireRemote: ") + error->message});
    return -1;
  }
  gint32 index = -1;
  g_variant_get(reply.get(), "(h)", &index);
  const int fd = fds ? g_unix_fd_list_get(fds.get(), index, nullptr) : -1;
  if (fd < 0) Failed(grant, {PortalFailure::Kind::Failed, "OpenPipeWireRemote gave no connection"});
  return fd;
}

ScreenCastGrant Negotiate(GDBusConnection* bus, const std::string& token) {
  ScreenCastGrant grant;
  const guint32 modes = AvailableCursorModes(bus, grant);
  if (grant.outcome == ScreenCastGrant::Outcome::NoPortal) return grant;
  if ((modes & kCursorMetadata) == 0) {
    grant.outcome = ScreenCastGrant::Outcome::NoPointerPositions;
    return grant;
  }
  PortalFailure failure;
  {
    PortalRequest create(bus, kScreenCast);
    PortalOptions options;
    options.Add("handle_token", create.Token()).Add("session_handle_token", create.Token());
    VariantPtr results = create.Call("CreateSession", g_variant_new("(@a{sv})", options.End()),
                                     kAnswerSeconds, "", &failure);
    if (Failed(grant, failure)) return grant;
    grant.session = StringResult(results.get(), "session_handle");
  }
  {
    PortalRequest select(bus, kScreenCast);
    PortalOptions options;
    options.Add("handle_token", select.Token())
        .Add("types", g_variant_new_uint32(kSourceMonitor))
        .Add("multiple", g_variant_new_boolean(TRUE))
        .Add("cursor_mode", g_variant_new_uint32(kCursorMetadata))
        .Add("persist_mode", g_variant_new_uint32(kPersistUntilRevoked));
    if (!token.empty()) options.Add("restore_token", token);
    select.Call("SelectSources", g_variant_new("(o@a{sv})", grant.session.c_str(), options.End()),
                kAnswerSeconds, grant.session, &failure);
    if (Failed(grant, failure)) return grant;
  }
  {
    PortalRequest start(bus, kScreenCast);
    PortalOptions options;
    options.Add("handle_token", start.Token());
    // NOTE: the share dialog waits for the user: no deadline.
    VariantPtr results =
        start.Call("Start", g_variant_new("(os@a{sv})", grant.session.c_str(), "", options.End()),
                   0, grant.session, &failure);
    if (Failed(grant, failure)) return grant;
    ReadStreams(results.get(), grant);
    grant.restoreToken = StringResult(results.get(), "restore_token");
  }
  if (grant.streams.empty()) {
    Failed(grant, {PortalFailure::Kind::Failed, "the desktop shared no monitor"});
    return grant;
  }
  grant.pipeWireFd = OpenPipeWireRemote(bus, grant);
  if (grant.pipeWireFd >= 0) grant.outcome = ScreenCastGrant::Outcome::Granted;
  return grant;
}

// The text of the error box for a grant that is not Granted.
std::string FailureText(const ScreenCastGrant& grant) {
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

// The shared monitors, until the desktop ends the share.
class PortalScreen : public IScreenSource {
 public:
  PortalScreen(GDBusConnection* bus, ScreenLostHandler lost) : bus_(bus), lost_(std::move(lost)) {}
  ~PortalScreen() override {
    StopWatching(bus_, watch_);
    // No report comes from PipeWire's thread once its frames are gone.
    frames_.reset();
    if (lostSource_ != 0) g_source_remove(lostSource_);
    if (!session_.empty()) {
      g_dbus_connection_call(bus_, kPortalName, session_.c_str(), "org.freedesktop.portal.Session",
                             "Close", nullptr, nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr,
                             nullptr, nullptr);
      g_dbus_connection_flush_sync(bus_, nullptr, nullptr);
    }
  }
  PortalScreen(const PortalScreen&) = delete;
  PortalScreen& operator=(const PortalScreen&) = delete;

  // Connects to the granted streams; empty when it did, else why not.
  std::string Connect(const ScreenCastGrant& grant) {
    session_ = grant.session;
    frames_ = std::make_unique<PipeWireFrames>(grant.pipeWireFd, grant.streams,
                                               [this](const std::string& why) { Ended(why); });
    if (!frames_->Error().empty()) return frames_->Error();
    watch_ = WatchPortal(bus_, session_, OnPortalGone, this);
    return std::string();
  }

  PixelReading ReadUnderPointer(int radius, PixelBlock* block) override {
    return frames_->Read(radius > 0 ? radius : 0, block);
  }
  PixelBlock ReadBlock(const Rect& area) override { return frames_->ReadBlock(area); }

 private:
  // On PipeWire's thread: handed to the main loop.
  void Ended(const std::string& why) {
    lostWhy_ = why;
    lostSource_ = g_idle_add(OnLostIdle, this);
  }
  static gboolean OnLostIdle(gpointer self) {
    auto* screen = static_cast<PortalScreen*>(self);
    screen->lostSource_ = 0;
    screen->Lost(screen->lostWhy_);
    return G_SOURCE_REMOVE;
  }
  static void OnPortalGone(void* self, const char* why) {
    static_cast<PortalScreen*>(self)->Lost(why);
  }
  void Lost(const std::string& why) {
    if (lostReported_) return;
    lostReported_ = true;
    lost_(ScreenLostText(why));
  }

  GDBusConnection* bus_;
  ScreenLostHandler lost_;
  std::string session_;
  std::unique_ptr<PipeWireFrames> frames_;
  PortalWatch watch_;
  guint lostSource_ = 0;
  std::string lostWhy_;
  bool lostReported_ = false;
};

}  // namespace

PortalScreenStart StartPortalScreen(const std::string& tokenFile, ScreenLostHandler lost) {
  PortalScreenStart start;
  ScreenCastGrant grant;
  GDBusConnection* bus = PortalBus(&grant.detail);
  if (bus == nullptr) {
    grant.outcome = ScreenCastGrant::Outcome::NoPortal;
    start.refusal = FailureText(grant);
    return start;
  }
  grant = Negotiate(bus, ReadScreenCastToken(tokenFile));
  if (grant.outcome != ScreenCastGrant::Outcome::Granted) {
    start.refusal = FailureText(grant);
    return start;
  }
  // The newest token: the desktop may accept each one once only.
  WriteScreenCastToken(tokenFile, grant.restoreToken);
  auto screen = std::make_unique<PortalScreen>(bus, std::move(lost));
  const std::string error = screen->Connect(grant);
  if (!error.empty()) {
    grant.outcome = ScreenCastGrant::Outcome::Failed;
    grant.detail = error;
    start.refusal = FailureText(grant);
    return start;
  }
  start.source = std::move(screen);
  return start;
}

}  // namespace velmora
