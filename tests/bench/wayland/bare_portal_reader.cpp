// The yardstick for Velmora's screen on Wayland: the same ScreenCast grant
// (the portal's requests made with Velmora's PortalRequest, every monitor
// with the pointer as metadata, the consent kept in TOKEN_FILE as Velmora
// keeps it) and the same offer to PipeWire (packed RGB in shared memory, at
// most 10 frames a second, the pointer as cursor metadata), but each frame is
// only mapped, the one pixel under the pointer read where it lies, and the
// buffer given back at once: nothing is copied. Says "ready" once it has read
// a pixel ("no picture" if none came within 10 s), then answers each "read"
// line on standard input with "X Y RRGGBB" (the pixel of the newest frame
// that brought a picture, at the pointer as it was then).
// With --gtk it is instead the same as any GTK program that wakes ten times a
// second: a bare GTK 3 window of the strip's size (on X11, as Velmora's;
// "shown" once it is mapped) and a 100 ms GLib timer that takes the newest
// pixel, until it is ended.
//   bare_portal_reader [--gtk] TOKEN_FILE
#include <gio/gunixfdlist.h>
#include <gtk/gtk.h>
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/wayland/PortalRequest.h"
#include "platform/wayland/PortalScreen.h"

namespace {

using velmora::PortalOptions;
using velmora::PortalRequest;
using velmora::VariantPtr;

// One shared monitor: its PipeWire node and where the desktop places it.
struct SharedMonitor {
  guint32 node = 0;
  gint32 x = 0;
  gint32 y = 0;
};

// What the ScreenCast portal gave: the pipe to PipeWire (-1, `why` set, when
// it gave none), the shared monitors and the next restore token.
struct Grant {
  int fd = -1;
  std::vector<SharedMonitor> monitors;
  std::string token;
  std::string why;
};

const char* const kScreenCast = "org.freedesktop.portal.ScreenCast";

// One request of the ScreenCast portal (of `session` unless it is
// CreateSession), answered; nullptr with `why` set when it failed.
VariantPtr Ask(const char* method, const std::string& session, PortalOptions& options,
               PortalRequest& request, std::string* why) {
  options.Add("handle_token", request.Token());
  GVariant* parameters = session.empty() ? g_variant_new("(@a{sv})", options.End())
                         : std::string(method) == "Start"
                             ? g_variant_new("(os@a{sv})", session.c_str(), "", options.End())
                             : g_variant_new("(o@a{sv})", session.c_str(), options.End());
  velmora::PortalFailure failure;
  VariantPtr results = request.Call(method, parameters, 0, session, &failure);
  if (failure) *why = std::string(method) + ": " + failure.detail;
  return results;
}

// The shared monitors of Start's results.
std::vector<SharedMonitor> Monitors(GVariant* results) {
  std::vector<SharedMonitor> monitors;
  GVariantIter* streams = nullptr;
  if (!g_variant_lookup(results, "streams", "a(ua{sv})", &streams)) return monitors;
  SharedMonitor monitor;
  GVariant* properties = nullptr;
  while (g_variant_iter_next(streams, "(u@a{sv})", &monitor.node, &properties)) {
    g_variant_lookup(properties, "position", "(ii)", &monitor.x, &monitor.y);
    monitors.push_back(monitor);
    g_variant_unref(properties);
  }
  g_variant_iter_free(streams);
  return monitors;
}

// CreateSession, SelectSources (every monitor, the pointer as metadata, kept
// until revoked), Start and OpenPipeWireRemote, as Velmora asks them.
Grant AskForScreen(const std::string& token) {
  Grant grant;
  GDBusConnection* bus = velmora::PortalBus(&grant.why);
  if (bus == nullptr) return grant;
  std::string session;
  {
    PortalRequest request(bus, kScreenCast);
    PortalOptions options;
    options.Add("session_handle_token", request.Token());
    VariantPtr results = Ask("CreateSession", "", options, request, &grant.why);
    if (!results) return grant;
    session = velmora::StringResult(results.get(), "session_handle");
  }
  {
    PortalRequest request(bus, kScreenCast);
    PortalOptions options;
    options.Add("types", g_variant_new_uint32(1))
        .Add("multiple", g_variant_new_boolean(TRUE))
        .Add("cursor_mode", g_variant_new_uint32(4))
        .Add("persist_mode", g_variant_new_uint32(2));
    if (!token.empty()) options.Add("restore_token", token);
    if (!Ask("SelectSources", session, options, request, &grant.why)) return grant;
  }
  {
    PortalRequest request(bus, kScreenCast);
    PortalOptions options;
    VariantPtr results = Ask("Start", session, options, request, &grant.why);
    if (!results) return grant;
    grant.token = velmora::StringResult(results.get(), "restore_token");
    grant.monitors = Monitors(results.get());
  }
  PortalOptions options;
  GUnixFDList* fds = nullptr;
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
      bus, velmora::kPortalName, velmora::kPortalPath, kScreenCast, "OpenPipeWireRemote",
      g_variant_new("(o@a{sv})", session.c_str(), options.End()), G_VARIANT_TYPE("(h)"),
      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, &fds, nullptr, &error);
  if (reply == nullptr) {
    grant.why = std::string("OpenPipeWireRemote: ") + error->message;
    g_error_free(error);
    return grant;
  }
  gint32 index = -1;
  g_variant_get(reply, "(h)", &index);
  grant.fd = g_unix_fd_list_get(fds, index, nullptr);
  g_variant_unref(reply);
  g_object_unref(fds);
  return grant;
}

struct Reader;

struct Monitor {
  Reader* reader = nullptr;
  SharedMonitor info;
  pw_stream* stream = nullptr;
  spa_hook listener{};
  spa_video_info_raw video{};
};

struct Reader {
  std::mutex lock;
  bool seen = false;  // a pixel has been read
  int x = 0;
  int y = 0;
  std::uint8_t rgb[3] = {0, 0, 0};
};

// Where red, green and blue lie in a 4-byte pixel of `format`.
bool Channels(spa_video_format format, int rgb[3]) {
  static const struct {
    spa_video_format format;
    int r, g, b;
  } kLayouts[] = {
      {SPA_VIDEO_FORMAT_BGRx, 2, 1, 0}, {SPA_VIDEO_FORMAT_BGRA, 2, 1, 0},
      {SPA_VIDEO_FORMAT_RGBx, 0, 1, 2}, {SPA_VIDEO_FORMAT_RGBA, 0, 1, 2},
      {SPA_VIDEO_FORMAT_xRGB, 1, 2, 3}, {SPA_VIDEO_FORMAT_ARGB, 1, 2, 3},
      {SPA_VIDEO_FORMAT_xBGR, 3, 2, 1}, {SPA_VIDEO_FORMAT_ABGR, 3, 2, 1},
  };
  for (const auto& layout : kLayouts) {
    if (layout.format == format) {
      rgb[0] = layout.r;
      rgb[1] = layout.g;
      rgb[2] = layout.b;
      return true;
    }
  }
  return false;
}

void OnParamChanged(void* data, uint32_t id, const spa_pod* param) {
  auto* monitor = static_cast<Monitor*>(data);
  if (param == nullptr || id != SPA_PARAM_Format) return;
  if (spa_format_video_raw_parse(param, &monitor->video) < 0) return;
  // Shared memory, as many buffers as Velmora asks for (both then map the
  // same), and the pointer's position beside each frame.
  const int cursorMeta = static_cast<int>(sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap));
  std::uint8_t room[512];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(room, sizeof(room));
  const spa_pod* params[] = {
      static_cast<const spa_pod*>(spa_pod_builder_add_object(
          &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
          SPA_POD_CHOICE_RANGE_Int(8, 2, 16), SPA_PARAM_BUFFERS_dataType,
          SPA_POD_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd)))),
      static_cast<const spa_pod*>(spa_pod_builder_add_object(
          &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
          SPA_POD_Id(SPA_META_Cursor), SPA_PARAM_META_size,
          SPA_POD_CHOICE_RANGE_Int(cursorMeta + 64 * 64 * 4, cursorMeta + 4,
                                   cursorMeta + 512 * 512 * 4))),
  };
  pw_stream_update_params(monitor->stream, params, 2);
}

// The one pixel under the pointer, read in the mapped frame.
void Look(Monitor* monitor, const spa_buffer* buffer) {
  const auto* cursor = static_cast<const spa_meta_cursor*>(
      spa_buffer_find_meta_data(buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)));
  const spa_data& data = buffer->datas[0];
  int channel[3];
  if (cursor == nullptr || !spa_meta_cursor_is_valid(cursor) || data.data == nullptr ||
      data.chunk == nullptr || data.chunk->size == 0 || !Channels(monitor->video.format, channel)) {
    return;
  }
  const int x = cursor->position.x;
  const int y = cursor->position.y;
  const int stride = data.chunk->stride > 0 ? data.chunk->stride : 4 * monitor->video.size.width;
  const std::uint64_t at = data.chunk->offset + static_cast<std::uint64_t>(y) * stride + x * 4;
  if (x < 0 || y < 0 || x >= static_cast<int>(monitor->video.size.width) ||
      at + 4 > data.chunk->offset + data.chunk->size || at + 4 > data.maxsize) {
    return;
  }
  const auto* pixel = static_cast<const std::uint8_t*>(data.data) + at;
  Reader* reader = monitor->reader;
  std::lock_guard<std::mutex> guard(reader->lock);
  reader->seen = true;
  reader->x = monitor->info.x + x;
  reader->y = monitor->info.y + y;
  for (int i = 0; i < 3; ++i) reader->rgb[i] = pixel[channel[i]];
}

void OnProcess(void* data) {
  auto* monitor = static_cast<Monitor*>(data);
  while (pw_buffer* buffer = pw_stream_dequeue_buffer(monitor->stream)) {
    Look(monitor, buffer->buffer);
    pw_stream_queue_buffer(monitor->stream, buffer);
  }
}

// Velmora's offer: eight packed 32-bit layouts, any size, 10 frames a second at most.
const spa_pod* Formats(spa_pod_builder* builder) {
  spa_rectangle sizes[] = {{1920, 1080}, {1, 1}, {16384, 16384}};
  spa_fraction rates[] = {{10, 1}, {1, 1}, {10, 1}};
  spa_fraction variable{0, 1};
  spa_pod_frame frame;
  spa_pod_builder_push_object(builder, &frame, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
  spa_pod_builder_add(
      builder, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype,
      SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw), SPA_FORMAT_VIDEO_format,
      SPA_POD_CHOICE_ENUM_Id(9, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                             SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA, SPA_VIDEO_FORMAT_xRGB,
                             SPA_VIDEO_FORMAT_ARGB, SPA_VIDEO_FORMAT_xBGR, SPA_VIDEO_FORMAT_ABGR),
      SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&sizes[0], &sizes[1], &sizes[2]),
      SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&variable), SPA_FORMAT_VIDEO_maxFramerate,
      SPA_POD_CHOICE_RANGE_Fraction(&rates[0], &rates[1], &rates[2]), 0);
  return static_cast<const spa_pod*>(spa_pod_builder_pop(builder, &frame));
}

// The newest pixel, kept where the compiler cannot drop the read.
volatile int lastPixel = 0;

// Takes the newest pixel, on the GTK timer.
gboolean TakePixel(gpointer data) {
  auto* reader = static_cast<Reader*>(data);
  std::lock_guard<std::mutex> guard(reader->lock);
  lastPixel = reader->rgb[0] | (reader->rgb[1] << 8) | (reader->rgb[2] << 16);
  return G_SOURCE_CONTINUE;
}

// The bare GTK program: a window of the strip's size and the timer.
void RunGtk(Reader& reader) {
  gdk_set_allowed_backends("x11");
  gtk_init(nullptr, nullptr);
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), "Velmora bare reader");
  gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
  gtk_window_set_default_size(GTK_WINDOW(window), 272, 32);
  g_signal_connect(window, "map-event", G_CALLBACK(+[](GtkWidget*, GdkEvent*, gpointer) {
                     std::printf("shown\n");
                     std::fflush(stdout);
                     return FALSE;
                   }),
                   nullptr);
  gtk_widget_show(window);
  g_timeout_add(100, TakePixel, &reader);
  gtk_main();
}

}  // namespace

int main(int argc, char** argv) {
  const bool gtk = argc == 3 && std::string(argv[1]) == "--gtk";
  if (argc != 2 && !gtk) {
    std::fprintf(stderr, "usage: bare_portal_reader [--gtk] TOKEN_FILE\n");
    return 2;
  }
  const char* tokenFile = argv[argc - 1];
  std::signal(SIGTERM, SIG_DFL);
  const Grant grant = AskForScreen(velmora::ReadScreenCastToken(tokenFile));
  if (grant.fd < 0) {
    std::fprintf(stderr, "bare_portal_reader: %s\n", grant.why.c_str());
    return 3;
  }
  velmora::WriteScreenCastToken(tokenFile, grant.token);

  pw_init(nullptr, nullptr);
  pw_thread_loop* loop = pw_thread_loop_new("bare-reader", nullptr);
  pw_context* context = pw_context_new(pw_thread_loop_get_loop(loop), nullptr, 0);
  pw_thread_loop_start(loop);
  pw_thread_loop_lock(loop);
  pw_core* core = pw_context_connect_fd(context, grant.fd, nullptr, 0);
  if (core == nullptr) {
    std::fprintf(stderr, "bare_portal_reader: PipeWire refused the portal's connection\n");
    return 3;
  }
  static const pw_stream_events events = [] {
    pw_stream_events e{};
    e.version = PW_VERSION_STREAM_EVENTS;
    e.param_changed = OnParamChanged;
    e.process = OnProcess;
    return e;
  }();
  Reader reader;
  std::vector<std::unique_ptr<Monitor>> monitors;
  for (const SharedMonitor& info : grant.monitors) {
    auto monitor = std::make_unique<Monitor>();
    monitor->reader = &reader;
    monitor->info = info;
    monitor->stream =
        pw_stream_new(core, "bare reader",
                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                        "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    pw_stream_add_listener(monitor->stream, &monitor->listener, &events, monitor.get());
    std::uint8_t room[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(room, sizeof(room));
    const spa_pod* params[] = {Formats(&builder)};
    pw_stream_connect(
        monitor->stream, PW_DIRECTION_INPUT, info.node,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
        params, 1);
    monitors.push_back(std::move(monitor));
  }
  pw_thread_loop_unlock(loop);

  // The first pixel comes with the first frame.
  bool seen = false;
  for (int i = 0; i < 100 && !seen; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::lock_guard<std::mutex> guard(reader.lock);
    seen = reader.seen;
  }
  std::printf(seen ? "ready\n" : "no picture\n");
  std::fflush(stdout);
  if (gtk && seen) RunGtk(reader);
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line != "read") continue;
    std::lock_guard<std::mutex> guard(reader.lock);
    if (reader.seen) {
      std::printf("%d %d %02X%02X%02X\n", reader.x, reader.y, reader.rgb[0], reader.rgb[1],
                  reader.rgb[2]);
    } else {
      std::printf("none\n");
    }
    std::fflush(stdout);
  }
  pw_thread_loop_stop(loop);
  for (auto& monitor : monitors) pw_stream_destroy(monitor->stream);
  pw_core_disconnect(core);
  pw_context_destroy(context);
  pw_thread_loop_destroy(loop);
  return 0;
}
