// The monitors of a wlroots desktop (or Hyprland) through ext-image-copy-capture
// on a Wayland connection of Velmora's own, served on a thread of its own: per
// monitor one capture session into two shared-memory buffers (the newest
// picture held for the tick to read, the other being filled) and one pointer
// cursor session that tells where the pointer is on that monitor.
#include <glib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "ext-image-capture-source-v1-client-protocol.h"
#include "ext-image-copy-capture-v1-client-protocol.h"
#include "platform/wayland/CaptureScreen.h"
#include "xdg-output-unstable-v1-client-protocol.h"

namespace velmora {

namespace {

using Clock = std::chrono::steady_clock;

// At most this many pictures a second of each monitor, as the tick reads.
constexpr auto kFrameInterval = std::chrono::milliseconds(100);
// How long the start waits for the first pictures and the pointer's position.
constexpr auto kStartWait = std::chrono::milliseconds(1500);

// Rectangles that grow to hold the damage of several events.
Rect Union(const Rect& a, const Rect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  const int left = std::min(a.x, b.x), top = std::min(a.y, b.y);
  const int right = std::max(a.x + a.width, b.x + b.width);
  const int bottom = std::max(a.y + a.height, b.y + b.height);
  return Rect{left, top, right - left, bottom - top};
}

// A wl_shm buffer of one monitor's size, mapped.
struct ShmBuffer {
  wl_buffer* buffer = nullptr;
  std::uint8_t* pixels = nullptr;
  std::size_t bytes = 0;
  // What changed on the monitor since this buffer was last filled: asked of
  // the compositor with the next capture into it.
  Rect stale;

  void Free() {
    if (buffer != nullptr) wl_buffer_destroy(buffer);
    if (pixels != nullptr) munmap(pixels, bytes);
    *this = ShmBuffer{};
  }
};

// The byte offsets of red, green and blue in a 4-byte pixel of a wl_shm
// format; false for one we do not read.
bool ShmChannels(std::uint32_t format, int* r, int* g, int* b) {
  switch (format) {
    case WL_SHM_FORMAT_XRGB8888:
    case WL_SHM_FORMAT_ARGB8888:
      *b = 0, *g = 1, *r = 2;
      return true;
    case WL_SHM_FORMAT_XBGR8888:
    case WL_SHM_FORMAT_ABGR8888:
      *r = 0, *g = 1, *b = 2;
      return true;
    default:
      return false;
  }
}

bool SwapsSides(std::uint32_t transform) {
  return (transform & 1u) != 0;  // 90 and 270, flipped or not
}

// The buffer pixel shown at (x, y) of a monitor whose picture (w x h as the
// buffer holds it) comes in the monitor's hardware orientation `transform`.
// NOTE: the turn back is the inverse of the output's transform: 90 and 270
// (and their flipped kinds) trade places (checked on sway at 90 and
// flipped-270).
Point ToBuffer(std::uint32_t transform, int x, int y, int w, int h) {
  // The monitor's own width and height, as the user sees it.
  const int sw = SwapsSides(transform) ? h : w;
  const int sh = SwapsSides(transform) ? w : h;
  switch (transform) {
    case WL_OUTPUT_TRANSFORM_270:
      return Point{sh - 1 - y, x};
    case WL_OUTPUT_TRANSFORM_180:
      return Point{sw - 1 - x, sh - 1 - y};
    case WL_OUTPUT_TRANSFORM_90:
      return Point{y, sw - 1 - x};
    case WL_OUTPUT_TRANSFORM_FLIPPED:
      return Point{sw - 1 - x, y};
    case WL_OUTPUT_TRANSFORM_FLIPPED_270:
      return Point{sh - 1 - y, sw - 1 - x};
    case WL_OUTPUT_TRANSFORM_FLIPPED_180:
      return Point{x, sh - 1 - y};
    case WL_OUTPUT_TRANSFORM_FLIPPED_90:
      return Point{y, x};
    default:
      return Point{x, y};
  }
}

struct Connection;

// One monitor: its capture, its newest picture and the pointer on it.
struct Monitor {
  Connection* owner = nullptr;
  std::uint32_t name = 0;  // the registry's
  wl_output* output = nullptr;
  zxdg_output_v1* described = nullptr;
  ext_image_capture_source_v1* source = nullptr;
  ext_image_copy_capture_session_v1* session = nullptr;
  ext_image_copy_capture_cursor_session_v1* cursor = nullptr;
  ext_image_copy_capture_frame_v1* frame = nullptr;  // being filled
  // The session's constraints as they come, and as last completed.
  int offeredWidth = 0, offeredHeight = 0;
  std::uint32_t offeredFormat = 0;
  bool offeredFormatOk = false;
  ShmBuffer buffers[2];
  int filling = -1;  // the buffer of `frame`
  Rect frameDamage;  // what `frame` reports changed
  std::uint32_t frameTransform = WL_OUTPUT_TRANSFORM_NORMAL;
  Clock::time_point nextCapture{};
  bool stopped = false;

  // Under the owner's lock: what a read needs.
  int width = 0, height = 0;  // the buffers' size
  int r = 2, g = 1, b = 0;    // byte offsets of the channels
  int newest = -1;            // the buffer with the newest whole picture
  std::uint32_t transform = WL_OUTPUT_TRANSFORM_NORMAL;
  Point layout;      // where the desktop places it, logical pixels
  Size logicalSize;  // its size there
  bool pointerIn = false;
  bool pointerKnown = false;
  Point pointer;  // the hot spot as the desktop sent it
  std::uint64_t pointerSerial = 0;

  int ShownWidth() const { return SwapsSides(transform) ? height : width; }
  int ShownHeight() const { return SwapsSides(transform) ? width : height; }
  // Device pixels per logical pixel.
  double Scale() const {
    return logicalSize.width > 0 && width > 0
               ? static_cast<double>(ShownWidth()) / logicalSize.width
               : 1.0;
  }
  // Where this monitor lies in the screen's device pixels: its logical
  // place at its own scale.
  Rect Area() const {
    const double scale = Scale();
    return Rect{static_cast<int>(std::lround(layout.x * scale)),
                static_cast<int>(std::lround(layout.y * scale)), ShownWidth(), ShownHeight()};
  }
  // The pointer in the monitor's (transformed) device pixels.
  Point Pointer(bool logical) const {
    if (!logical) return pointer;
    const double scale = Scale();
    return Point{static_cast<int>(std::floor(pointer.x * scale)),
                 static_cast<int>(std::floor(pointer.y * scale))};
  }
  TColor At(int x, int y) const {
    const Point p = ToBuffer(transform, x, y, width, height);
    const std::uint8_t* pixel =
        buffers[newest].pixels + (static_cast<std::size_t>(p.y) * width + p.x) * 4;
    return static_cast<TColor>(pixel[r]) | (static_cast<TColor>(pixel[g]) << 8) |
           (static_cast<TColor>(pixel[b]) << 16);
  }
};

// The connection, its globals and monitors, and the thread that serves it.
struct Connection {
  wl_display* display = nullptr;
  wl_registry* registry = nullptr;
  wl_shm* shm = nullptr;
  wl_seat* seat = nullptr;
  wl_pointer* pointer = nullptr;
  ext_image_copy_capture_manager_v1* capture = nullptr;
  ext_output_image_capture_source_manager_v1* sources = nullptr;
  zxdg_output_manager_v1* places = nullptr;
  std::vector<std::unique_ptr<Monitor>> monitors;
  bool seatHasPointer = false;
  // NOTE: Hyprland sends the pointer's position in the monitor's logical
  // pixels, not its buffer's: scaled by the monitor's scale here.
  bool logicalPositions = false;

  std::mutex lock;
  std::uint64_t serial = 0;
  std::thread thread;
  int wake = -1;  // an eventfd that ends the thread
  std::atomic<bool> stopping{false};
  std::function<void(const std::string&)> ended;  // on the thread, once

  ~Connection();
  void StartMonitor(Monitor& monitor);
  void Describe(Monitor& monitor);
  void FollowPointer(Monitor& monitor);
  void Capture(Monitor& monitor);
  // Sends the captures that are due; the milliseconds until the next one
  // (-1: none waits).
  int CaptureDue();
  // Reads and handles what the compositor sent; false once the connection failed.
  bool Dispatch(int timeoutMs);
  void Serve();
  Monitor* Find(std::uint32_t name) {
    for (auto& monitor : monitors) {
      if (monitor->name == name) return monitor.get();
    }
    return nullptr;
  }
  // Under the lock.
  TColor PixelAt(Point p) const {
    for (const auto& monitor : monitors) {
      const Rect area = monitor->Area();
      if (monitor->newest >= 0 && area.Contains(p)) return monitor->At(p.x - area.x, p.y - area.y);
    }
    return kOffScreenColor;
  }
  void FillBlock(const Rect& area, PixelBlock& block) const {
    velmora::FillBlock(area, block, [this](Point p) { return PixelAt(p); });
  }
};

// --- the capture session's constraints and its frames

void OnBufferSize(void* data, ext_image_copy_capture_session_v1*, uint32_t width, uint32_t height) {
  auto* monitor = static_cast<Monitor*>(data);
  monitor->offeredWidth = static_cast<int>(width);
  monitor->offeredHeight = static_cast<int>(height);
}

void OnShmFormat(void* data, ext_image_copy_capture_session_v1*, uint32_t format) {
  auto* monitor = static_cast<Monitor*>(data);
  int r, g, b;
  if (!monitor->offeredFormatOk && ShmChannels(format, &r, &g, &b)) {
    monitor->offeredFormat = format;
    monitor->offeredFormatOk = true;
  }
}

void OnDmabufDevice(void*, ext_image_copy_capture_session_v1*, wl_array*) {}
void OnDmabufFormat(void*, ext_image_copy_capture_session_v1*, uint32_t, wl_array*) {}

// A buffer of the offered size and format (false when none could be made).
bool MakeBuffer(wl_shm* shm, int width, int height, std::uint32_t format, ShmBuffer& buffer) {
  const int stride = width * 4;
  buffer.bytes = static_cast<std::size_t>(stride) * height;
  const int fd = memfd_create("velmora-screen", MFD_CLOEXEC);
  if (fd < 0) return false;
  if (ftruncate(fd, static_cast<off_t>(buffer.bytes)) < 0) {
    close(fd);
    return false;
  }
  void* memory = mmap(nullptr, buffer.bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return false;
  }
  buffer.pixels = static_cast<std::uint8_t*>(memory);
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(buffer.bytes));
  buffer.buffer = wl_shm_pool_create_buffer(pool, 0, width, height, stride, format);
  wl_shm_pool_destroy(pool);
  close(fd);
  buffer.stale = Rect{0, 0, width, height};
  return true;
}

void DropFrame(Monitor& monitor) {
  if (monitor.frame != nullptr) ext_image_copy_capture_frame_v1_destroy(monitor.frame);
  monitor.frame = nullptr;
  monitor.filling = -1;
}

// The constraints are complete: new buffers when the size or format changed.
void OnConstraintsDone(void* data, ext_image_copy_capture_session_v1*) {
  auto* monitor = static_cast<Monitor*>(data);
  Connection* owner = monitor->owner;
  if (!monitor->offeredFormatOk || monitor->offeredWidth <= 0 || monitor->offeredHeight <= 0)
    return;
  int r, g, b;
  ShmChannels(monitor->offeredFormat, &r, &g, &b);
  if (monitor->buffers[0].buffer != nullptr && monitor->width == monitor->offeredWidth &&
      monitor->height == monitor->offeredHeight && monitor->r == r && monitor->b == b) {
    return;
  }
  DropFrame(*monitor);
  {
    std::lock_guard<std::mutex> guard(owner->lock);
    monitor->newest = -1;
    monitor->width = monitor->offeredWidth;
    monitor->height = monitor->offeredHeight;
    monitor->r = r, monitor->g = g, monitor->b = b;
  }
  for (ShmBuffer& buffer : monitor->buffers) {
    buffer.Free();
    if (!MakeBuffer(owner->shm, monitor->width, monitor->height, monitor->offeredFormat, buffer)) {
      for (ShmBuffer& made : monitor->buffers) made.Free();
      return;
    }
  }
  monitor->nextCapture = Clock::time_point{};
}

void OnSessionStopped(void* data, ext_image_copy_capture_session_v1*) {
  auto* monitor = static_cast<Monitor*>(data);
  // The monitor went away: its picture is no longer the screen.
  DropFrame(*monitor);
  std::lock_guard<std::mutex> guard(monitor->owner->lock);
  monitor->stopped = true;
  monitor->newest = -1;
  monitor->pointerIn = false;
}

const ext_image_copy_capture_session_v1_listener kSessionEvents = {
    OnBufferSize, OnShmFormat, OnDmabufDevice, OnDmabufFormat, OnConstraintsDone, OnSessionStopped};

void OnFrameTransform(void* data, ext_image_copy_capture_frame_v1*, uint32_t transform) {
  static_cast<Monitor*>(data)->frameTransform = transform;
}

void OnFrameDamage(void* data, ext_image_copy_capture_frame_v1*, int32_t x, int32_t y,
                   int32_t width, int32_t height) {
  auto* monitor = static_cast<Monitor*>(data);
  monitor->frameDamage = Union(monitor->frameDamage, Rect{x, y, width, height});
}

void OnFramePresented(void*, ext_image_copy_capture_frame_v1*, uint32_t, uint32_t, uint32_t) {}

// The buffer holds the newest picture: it becomes the one read, and the
// other, now older by this frame's damage, is filled next.
void OnFrameReady(void* data, ext_image_copy_capture_frame_v1*) {
  auto* monitor = static_cast<Monitor*>(data);
  const int filled = monitor->filling;
  DropFrame(*monitor);
  monitor->buffers[filled].stale = Rect{};
  ShmBuffer& other = monitor->buffers[1 - filled];
  other.stale = Union(other.stale, monitor->frameDamage);
  std::lock_guard<std::mutex> guard(monitor->owner->lock);
  monitor->newest = filled;
  monitor->transform = monitor->frameTransform;
}

void OnFrameFailed(void* data, ext_image_copy_capture_frame_v1*, uint32_t) {
  auto* monitor = static_cast<Monitor*>(data);
  const int filling = monitor->filling;
  DropFrame(*monitor);
  // What the buffer holds now is unknown: it is filled whole next time.
  if (filling >= 0) {
    ShmBuffer& buffer = monitor->buffers[filling];
    buffer.stale = Rect{0, 0, monitor->width, monitor->height};
  }
}

const ext_image_copy_capture_frame_v1_listener kFrameEvents = {
    OnFrameTransform, OnFrameDamage, OnFramePresented, OnFrameReady, OnFrameFailed};

// --- the pointer on a monitor

void OnCursorEnter(void* data, ext_image_copy_capture_cursor_session_v1*) {
  auto* monitor = static_cast<Monitor*>(data);
  std::lock_guard<std::mutex> guard(monitor->owner->lock);
  monitor->pointerIn = true;
  monitor->pointerKnown = false;
}

void OnCursorLeave(void* data, ext_image_copy_capture_cursor_session_v1*) {
  auto* monitor = static_cast<Monitor*>(data);
  std::lock_guard<std::mutex> guard(monitor->owner->lock);
  monitor->pointerIn = false;
  monitor->pointerKnown = false;
}

void OnCursorPosition(void* data, ext_image_copy_capture_cursor_session_v1*, int32_t x, int32_t y) {
  auto* monitor = static_cast<Monitor*>(data);
  Connection* owner = monitor->owner;
  std::lock_guard<std::mutex> guard(owner->lock);
  monitor->pointerIn = true;
  monitor->pointerKnown = true;
  monitor->pointer = Point{x, y};
  monitor->pointerSerial = ++owner->serial;
}

// NOTE: wlroots 0.20 sends a wrong hot spot; the position alone is the
// pointer's.
void OnCursorHotspot(void*, ext_image_copy_capture_cursor_session_v1*, int32_t, int32_t) {}

const ext_image_copy_capture_cursor_session_v1_listener kCursorEvents = {
    OnCursorEnter, OnCursorLeave, OnCursorPosition, OnCursorHotspot};

// --- the monitors and the seat

// NOTE: wlroots places every wl_output at 0, 0: the desktop's layout comes
// from xdg-output.
void OnLogicalPosition(void* data, zxdg_output_v1*, int32_t x, int32_t y) {
  auto* monitor = static_cast<Monitor*>(data);
  std::lock_guard<std::mutex> guard(monitor->owner->lock);
  monitor->layout = Point{x, y};
}
void OnLogicalSize(void* data, zxdg_output_v1*, int32_t width, int32_t height) {
  auto* monitor = static_cast<Monitor*>(data);
  std::lock_guard<std::mutex> guard(monitor->owner->lock);
  monitor->logicalSize = Size{width, height};
}
void OnDescribed(void*, zxdg_output_v1*) {}
void OnDescriptionText(void*, zxdg_output_v1*, const char*) {}

const zxdg_output_v1_listener kPlaceEvents = {OnLogicalPosition, OnLogicalSize, OnDescribed,
                                              OnDescriptionText, OnDescriptionText};

void OnSeatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
  auto* owner = static_cast<Connection*>(data);
  owner->seatHasPointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
  // NOTE: asking a seat that never had a pointer for one is a fatal
  // protocol error (headless sway starts so): only once it says it has one.
  if (owner->seatHasPointer && owner->pointer == nullptr) {
    owner->pointer = wl_seat_get_pointer(seat);
    for (auto& monitor : owner->monitors) owner->FollowPointer(*monitor);
  }
}
void OnSeatName(void*, wl_seat*, const char*) {}

const wl_seat_listener kSeatEvents = {OnSeatCapabilities, OnSeatName};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
  auto* owner = static_cast<Connection*>(data);
  if (std::strcmp(interface, wl_shm_interface.name) == 0) {
    owner->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
  } else if (std::strcmp(interface, wl_seat_interface.name) == 0 && owner->seat == nullptr) {
    owner->seat = static_cast<wl_seat*>(
        wl_registry_bind(registry, name, &wl_seat_interface, std::min(version, 5u)));
    wl_seat_add_listener(owner->seat, &kSeatEvents, owner);
  } else if (std::strcmp(interface, wl_output_interface.name) == 0) {
    auto monitor = std::make_unique<Monitor>();
    monitor->owner = owner;
    monitor->name = name;
    monitor->output = static_cast<wl_output*>(
        wl_registry_bind(registry, name, &wl_output_interface, std::min(version, 2u)));
    Monitor& added = *monitor;
    {
      std::lock_guard<std::mutex> guard(owner->lock);
      owner->monitors.push_back(std::move(monitor));
    }
    owner->Describe(added);
    owner->StartMonitor(added);
  } else if (std::strcmp(interface, ext_image_copy_capture_manager_v1_interface.name) == 0) {
    owner->capture = static_cast<ext_image_copy_capture_manager_v1*>(
        wl_registry_bind(registry, name, &ext_image_copy_capture_manager_v1_interface, 1));
  } else if (std::strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
    owner->places = static_cast<zxdg_output_manager_v1*>(
        wl_registry_bind(registry, name, &zxdg_output_manager_v1_interface, std::min(version, 3u)));
  } else if (std::strcmp(interface, ext_output_image_capture_source_manager_v1_interface.name) ==
             0) {
    owner->sources = static_cast<ext_output_image_capture_source_manager_v1*>(
        wl_registry_bind(registry, name, &ext_output_image_capture_source_manager_v1_interface, 1));
  }
}

void ForgetMonitor(Monitor& monitor) {
  DropFrame(monitor);
  if (monitor.cursor != nullptr) ext_image_copy_capture_cursor_session_v1_destroy(monitor.cursor);
  if (monitor.session != nullptr) ext_image_copy_capture_session_v1_destroy(monitor.session);
  if (monitor.source != nullptr) ext_image_capture_source_v1_destroy(monitor.source);
  for (ShmBuffer& buffer : monitor.buffers) buffer.Free();
  if (monitor.described != nullptr) zxdg_output_v1_destroy(monitor.described);
  if (monitor.output != nullptr) wl_output_destroy(monitor.output);
}

void OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
  auto* owner = static_cast<Connection*>(data);
  Monitor* monitor = owner->Find(name);
  if (monitor == nullptr) return;
  std::unique_ptr<Monitor> gone;
  {
    std::lock_guard<std::mutex> guard(owner->lock);
    auto it = std::find_if(owner->monitors.begin(), owner->monitors.end(),
                           [monitor](const auto& m) { return m.get() == monitor; });
    gone = std::move(*it);
    owner->monitors.erase(it);
  }
  ForgetMonitor(*gone);
}

const wl_registry_listener kRegistryEvents = {OnGlobal, OnGlobalRemove};

}  // namespace

// The capture of a monitor, once the managers are known (the registry may
// name the monitor before them).
void Connection::StartMonitor(Monitor& monitor) {
  if (capture == nullptr || sources == nullptr || monitor.session != nullptr) return;
  monitor.source =
      ext_output_image_capture_source_manager_v1_create_source(sources, monitor.output);
  // No option: the pointer is not painted into the pictures.
  monitor.session = ext_image_copy_capture_manager_v1_create_session(capture, monitor.source, 0);
  ext_image_copy_capture_session_v1_add_listener(monitor.session, &kSessionEvents, &monitor);
  FollowPointer(monitor);
}

void Connection::Describe(Monitor& monitor) {
  if (places == nullptr || monitor.described != nullptr) return;
  monitor.described = zxdg_output_manager_v1_get_xdg_output(places, monitor.output);
  zxdg_output_v1_add_listener(monitor.described, &kPlaceEvents, &monitor);
}

void Connection::FollowPointer(Monitor& monitor) {
  if (pointer == nullptr || monitor.source == nullptr || monitor.cursor != nullptr) return;
  monitor.cursor = ext_image_copy_capture_manager_v1_create_pointer_cursor_session(
      capture, monitor.source, pointer);
  ext_image_copy_capture_cursor_session_v1_add_listener(monitor.cursor, &kCursorEvents, &monitor);
}

void Connection::Capture(Monitor& monitor) {
  const int into = monitor.newest == 0 ? 1 : 0;
  ShmBuffer& buffer = monitor.buffers[into];
  monitor.filling = into;
  monitor.frameDamage = Rect{};
  monitor.frameTransform = WL_OUTPUT_TRANSFORM_NORMAL;
  monitor.frame = ext_image_copy_capture_session_v1_create_frame(monitor.session);
  ext_image_copy_capture_frame_v1_add_listener(monitor.frame, &kFrameEvents, &monitor);
  ext_image_copy_capture_frame_v1_attach_buffer(monitor.frame, buffer.buffer);
  // What changed since this buffer was filled; the compositor adds what
  // changed since the newest picture.
  if (!buffer.stale.Empty()) {
    ext_image_copy_capture_frame_v1_damage_buffer(monitor.frame, buffer.stale.x, buffer.stale.y,
                                                  buffer.stale.width, buffer.stale.height);
  }
  // NOTE: the compositor sends the picture only once something on the
  // monitor changed: a still screen costs nothing.
  ext_image_copy_capture_frame_v1_capture(monitor.frame);
  monitor.nextCapture = Clock::now() + kFrameInterval;
}

int Connection::CaptureDue() {
  const Clock::time_point now = Clock::now();
  Clock::duration wait = Clock::duration::max();
  for (auto& monitor : monitors) {
    if (monitor->stopped || monitor->frame != nullptr || monitor->buffers[1].buffer == nullptr)
      continue;
    if (monitor->nextCapture <= now) {
      Capture(*monitor);
    } else {
      wait = std::min(wait, monitor->nextCapture - now);
    }
  }
  if (wait == Clock::duration::max()) return -1;
  return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count());
}

bool Connection::Dispatch(int timeoutMs) {
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) return false;
  }
  const int due = CaptureDue();
  if (due >= 0 && (timeoutMs < 0 || due < timeoutMs)) timeoutMs = due;
  wl_display_flush(display);
  pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {wake, POLLIN, 0}};
  const int ready = poll(fds, wake >= 0 ? 2 : 1, timeoutMs);
  if (ready > 0 && (fds[0].revents & POLLIN) != 0) {
    if (wl_display_read_events(display) < 0) return false;
  } else {
    wl_display_cancel_read(display);
    if (ready > 0 && (fds[0].revents & (POLLERR | POLLHUP)) != 0) return false;
  }
  return wl_display_dispatch_pending(display) >= 0;
}

void Connection::Serve() {
  while (!stopping) {
    if (!Dispatch(-1)) {
      if (!stopping && ended) ended("the connection to the desktop ended");
      return;
    }
  }
}

Connection::~Connection() {
  if (thread.joinable()) {
    stopping = true;
    const std::uint64_t one = 1;
    if (write(wake, &one, sizeof one) < 0) {
      // The thread then ends at its next event.
    }
    thread.join();
  }
  if (wake >= 0) close(wake);
  for (auto& monitor : monitors) ForgetMonitor(*monitor);
  if (pointer != nullptr) wl_pointer_destroy(pointer);
  if (seat != nullptr) wl_seat_destroy(seat);
  if (capture != nullptr) ext_image_copy_capture_manager_v1_destroy(capture);
  if (sources != nullptr) ext_output_image_capture_source_manager_v1_destroy(sources);
  if (places != nullptr) zxdg_output_manager_v1_destroy(places);
  if (shm != nullptr) wl_shm_destroy(shm);
  if (registry != nullptr) wl_registry_destroy(registry);
  if (display != nullptr) wl_display_disconnect(display);
}

namespace {

const char* const kNoPointer =
    "Velmora cannot follow the pointer: this desktop has no pointer (no mouse or touchpad).\n\n"
    "Connect a mouse and start Velmora again.";
const char* const kNoPositions =
    "Velmora cannot follow the pointer: this desktop does not send the pointer's position "
    "to screen capture. It does so only while it shows the pointer as a hardware cursor; it "
    "draws the pointer itself here (for example with WLR_NO_HARDWARE_CURSORS=1), or hides "
    "it.\n\n"
    "Start the desktop with hardware cursors, or log in to an X11 session.";
const char* const kNoPicture =
    "Velmora cannot see the screen: the desktop did not send a picture of its monitors.\n\n"
    "Start Velmora again, or log in to an X11 session.";

class CaptureScreen : public IScreenSource {
 public:
  CaptureScreen(std::unique_ptr<Connection> connection, ScreenLostHandler lost)
      : connection_(std::move(connection)), lost_(std::move(lost)) {
    connection_->ended = [this](const std::string& why) {
      lostWhy_ = why;
      lostSource_ = g_idle_add(OnLostIdle, this);
    };
    connection_->wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    connection_->thread = std::thread([this] { connection_->Serve(); });
  }
  ~CaptureScreen() override {
    connection_.reset();
    if (lostSource_ != 0) g_source_remove(lostSource_);
  }
  CaptureScreen(const CaptureScreen&) = delete;
  CaptureScreen& operator=(const CaptureScreen&) = delete;

  PixelReading ReadUnderPointer(int radius, PixelBlock* block) override {
    PixelReading reading;
    reading.ok = true;
    reading.color = kInvalidColor;
    Connection& c = *connection_;
    std::lock_guard<std::mutex> guard(c.lock);
    // NOTE: near a monitor's edge two monitors have the pointer, and one of
    // them places it one pixel past its edge: the one whose picture holds
    // the position has it.
    const Monitor* under = nullptr;
    for (const auto& monitor : c.monitors) {
      const Rect shown{0, 0, monitor->ShownWidth(), monitor->ShownHeight()};
      if (!monitor->pointerIn || !monitor->pointerKnown ||
          !shown.Contains(monitor->Pointer(c.logicalPositions)))
        continue;
      if (under == nullptr || monitor->pointerSerial > under->pointerSerial) under = monitor.get();
    }
    // The pointer on no monitor we see (or hidden): no colour, never the
    // last one.
    if (under == nullptr) return reading;
    const Rect area = under->Area();
    const Point pointer = under->Pointer(c.logicalPositions);
    reading.position = Point{area.x + pointer.x, area.y + pointer.y};
    if (under->newest >= 0) reading.color = under->At(pointer.x, pointer.y);
    if (block != nullptr) c.FillBlock(BlockAround(reading.position, radius), *block);
    return reading;
  }

  PixelBlock ReadBlock(const Rect& area) override {
    PixelBlock block;
    std::lock_guard<std::mutex> guard(connection_->lock);
    connection_->FillBlock(area, block);
    return block;
  }

 private:
  static gboolean OnLostIdle(gpointer self) {
    auto* screen = static_cast<CaptureScreen*>(self);
    screen->lostSource_ = 0;
    screen->lost_(ScreenLostText(screen->lostWhy_));
    return G_SOURCE_REMOVE;
  }

  std::unique_ptr<Connection> connection_;
  ScreenLostHandler lost_;
  guint lostSource_ = 0;
  std::string lostWhy_;
};

// Until every monitor has a picture and the pointer was seen, or the start's
// wait is over; false when the connection failed.
bool AwaitFirstReadings(Connection& c) {
  const Clock::time_point deadline = Clock::now() + kStartWait;
  while (Clock::now() < deadline) {
    bool pictures = !c.monitors.empty();
    bool pointer = false;
    for (const auto& monitor : c.monitors) {
      pictures = pictures && monitor->newest >= 0;
      pointer = pointer || monitor->pointerKnown;
    }
    if (pictures && pointer) return true;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (!c.Dispatch(static_cast<int>(std::max<long long>(left.count(), 0)))) return false;
  }
  return true;
}

}  // namespace

CaptureScreenStart StartCaptureScreen(ScreenLostHandler lost) {
  CaptureScreenStart start;
  auto c = std::make_unique<Connection>();
  c->display = wl_display_connect(nullptr);
  if (c->display == nullptr) return start;
  if (const char* hyprland = std::getenv("HYPRLAND_INSTANCE_SIGNATURE");
      hyprland != nullptr && *hyprland != '\0') {
    c->logicalPositions = true;
  }
  c->registry = wl_display_get_registry(c->display);
  wl_registry_add_listener(c->registry, &kRegistryEvents, c.get());
  // The globals, then the monitors' and the seat's first events.
  if (wl_display_roundtrip(c->display) < 0) return start;
  if (c->capture == nullptr || c->sources == nullptr || c->shm == nullptr) return start;
  start.offered = true;
  for (auto& monitor : c->monitors) {
    c->Describe(*monitor);
    c->StartMonitor(*monitor);
  }
  if (wl_display_roundtrip(c->display) < 0 || !AwaitFirstReadings(*c)) {
    start.refusal = ScreenLostText("the connection to the desktop ended");
    return start;
  }
  bool pictures = false, pointer = false;
  for (const auto& monitor : c->monitors) {
    pictures = pictures || monitor->newest >= 0;
    pointer = pointer || monitor->pointerKnown;
  }
  if (!pictures) {
    start.refusal = kNoPicture;
  } else if (!c->seatHasPointer) {
    start.refusal = kNoPointer;
  } else if (!pointer) {
    start.refusal = kNoPositions;
  } else {
    start.source = std::make_unique<CaptureScreen>(std::move(c), std::move(lost));
  }
  return start;
}

}  // namespace velmora
