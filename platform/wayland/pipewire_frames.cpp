// The shared monitors' frames from PipeWire: one input stream per monitor,
// shared-memory buffers of packed RGB, at most 10 frames a second, with the
// pointer's position as cursor metadata. PipeWire calls back on its own
// thread; the newest full picture and pointer position of each monitor are
// kept under a lock for the 100 ms tick to read.
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/utils/result.h>
#include <spa/param/video/format-utils.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/wayland/WaylandScreen.h"

namespace velmora {

namespace {

// The room the cursor metadata takes with a bitmap of w x h (32-bit pixels).
constexpr int CursorMetaSize(int w, int h) {
  return static_cast<int>(sizeof(spa_meta_cursor) + sizeof(spa_meta_bitmap)) + w * h * 4;
}

// The byte offsets of red, green and blue in a 4-byte pixel; false for a
// format we did not offer.
bool ChannelOffsets(spa_video_format format, int* r, int* g, int* b) {
  switch (format) {
    case SPA_VIDEO_FORMAT_BGRx:
    case SPA_VIDEO_FORMAT_BGRA: *b = 0; *g = 1; *r = 2; return true;
    case SPA_VIDEO_FORMAT_RGBx:
    case SPA_VIDEO_FORMAT_RGBA: *r = 0; *g = 1; *b = 2; return true;
    case SPA_VIDEO_FORMAT_xRGB:
    case SPA_VIDEO_FORMAT_ARGB: *r = 1; *g = 2; *b = 3; return true;
    case SPA_VIDEO_FORMAT_xBGR:
    case SPA_VIDEO_FORMAT_ABGR: *b = 1; *g = 2; *r = 3; return true;
    default: return false;
  }
}

}  // namespace

struct MonitorStream {
  PipeWireFrames::Impl* owner = nullptr;
  ScreenCastStream info;
  pw_stream* stream = nullptr;
  spa_hook listener{};
  spa_video_format format = SPA_VIDEO_FORMAT_UNKNOWN;
  spa_rectangle size{0, 0};  // as negotiated
  // Under the owner's lock:
  std::vector<std::uint8_t> pixels;  // the newest full picture
  int width = 0;
  int height = 0;
  int stride = 0;
  bool pointerHere = false;
  Point pointer;  // the pointer's hot spot in the stream's pixels
  std::uint64_t pointerSerial = 0;  // which stream heard of the pointer last
};

struct PipeWireFrames::Impl {
  pw_thread_loop* loop = nullptr;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  std::vector<std::unique_ptr<MonitorStream>> streams;
  std::mutex lock;
  std::uint64_t serial = 0;
};

namespace {

void OnParamChanged(void* data, uint32_t id, const spa_pod* param) {
  auto* monitor = static_cast<MonitorStream*>(data);
  if (param == nullptr || id != SPA_PARAM_Format) return;
  spa_video_info_raw info{};
  if (spa_format_video_raw_parse(param, &info) < 0) return;
  monitor->format = info.format;
  monitor->size = info.size;

  std::uint8_t room[1024];
  spa_pod_builder builder = SPA_POD_BUILDER_INIT(room, sizeof(room));
  const spa_pod* params[2];
  params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
      &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_dataType,
      SPA_POD_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
  // NOTE: a size range, not one size: the compositor picks its own bitmap size.
  params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
      &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
      SPA_POD_Id(SPA_META_Cursor), SPA_PARAM_META_size,
      SPA_POD_CHOICE_RANGE_Int(CursorMetaSize(64, 64), CursorMetaSize(1, 1),
                               CursorMetaSize(512, 512))));
  pw_stream_update_params(monitor->stream, params, 2);
}

void TakeBuffer(MonitorStream* monitor, spa_buffer* buffer) {
  PipeWireFrames::Impl* owner = monitor->owner;
  const auto* cursor = static_cast<const spa_meta_cursor*>(
      spa_buffer_find_meta_data(buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)));
  const spa_data& data = buffer->datas[0];
  const bool picture = data.data != nullptr && data.chunk != nullptr && data.chunk->size > 0 &&
                       (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) == 0;
  int r = 0, g = 0, b = 0;
  std::lock_guard<std::mutex> guard(owner->lock);
  if (cursor != nullptr) {
    // Id 0 (KWin: also a position of -1): the pointer is on another monitor.
    monitor->pointerHere = spa_meta_cursor_is_valid(cursor) && cursor->position.x >= 0 &&
                           cursor->position.y >= 0;
    if (monitor->pointerHere) {
      monitor->pointer = Point{cursor->position.x, cursor->position.y};
      monitor->pointerSerial = ++owner->serial;
    }
  }
  if (!picture || !ChannelOffsets(monitor->format, &r, &g, &b)) return;
  const int width = static_cast<int>(monitor->size.width);
  const int stride = data.chunk->stride > 0 ? data.chunk->stride : width * 4;
  if (stride < width * 4) return;
  if (data.chunk->offset + static_cast<std::uint64_t>(data.chunk->size) > data.maxsize) return;
  const int height = std::min(static_cast<int>(monitor->size.height),
                              static_cast<int>(data.chunk->size / static_cast<uint32_t>(stride)));
  const auto* source = static_cast<const std::uint8_t*>(data.data) + data.chunk->offset;
  monitor->pixels.assign(source, source + static_cast<std::size_t>(stride) * height);
  monitor->width = width;
  monitor->height = height;
  monitor->stride = stride;
}

void OnProcess(void* data) {
  auto* monitor = static_cast<MonitorStream*>(data);
  while (pw_buffer* buffer = pw_stream_dequeue_buffer(monitor->stream)) {
    TakeBuffer(monitor, buffer->buffer);
    pw_stream_queue_buffer(monitor->stream, buffer);
  }
}

const pw_stream_events kStreamEvents = [] {
  pw_stream_events events{};
  events.version = PW_VERSION_STREAM_EVENTS;
  events.param_changed = OnParamChanged;
  events.process = OnProcess;
  return events;
}();

// The formats offered: packed RGB with no DMA-BUF modifier, so the compositor
// sends shared memory; any size; at most 10 frames a second.
const spa_pod* VideoFormats(spa_pod_builder* builder) {
  spa_rectangle defaultSize{1920, 1080};
  spa_rectangle minSize{1, 1};
  spa_rectangle maxSize{16384, 16384};
  spa_fraction anyRate{0, 1};
  spa_fraction maxRate{10, 1};
  spa_fraction minRate{1, 1};
  return static_cast<const spa_pod*>(spa_pod_builder_add_object(
      builder, SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat, SPA_FORMAT_mediaType,
      SPA_POD_Id(SPA_MEDIA_TYPE_video), SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
      SPA_FORMAT_VIDEO_format,
      SPA_POD_CHOICE_ENUM_Id(9, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRx, SPA_VIDEO_FORMAT_BGRA,
                             SPA_VIDEO_FORMAT_RGBx, SPA_VIDEO_FORMAT_RGBA, SPA_VIDEO_FORMAT_xRGB,
                             SPA_VIDEO_FORMAT_ARGB, SPA_VIDEO_FORMAT_xBGR, SPA_VIDEO_FORMAT_ABGR),
      SPA_FORMAT_VIDEO_size, SPA_POD_CHOICE_RANGE_Rectangle(&defaultSize, &minSize, &maxSize),
      SPA_FORMAT_VIDEO_framerate, SPA_POD_Fraction(&anyRate), SPA_FORMAT_VIDEO_maxFramerate,
      SPA_POD_CHOICE_RANGE_Fraction(&maxRate, &minRate, &maxRate)));
}

}  // namespace

PipeWireFrames::PipeWireFrames(int fd, const std::vector<ScreenCastStream>& streams)
    : impl_(std::make_unique<Impl>()) {
  pw_init(nullptr, nullptr);
  impl_->loop = pw_thread_loop_new("velmora-screen", nullptr);
  impl_->context = pw_context_new(pw_thread_loop_get_loop(impl_->loop), nullptr, 0);
  if (impl_->context == nullptr || pw_thread_loop_start(impl_->loop) < 0) {
    close(fd);
    error_ = "PipeWire could not start";
    return;
  }
  pw_thread_loop_lock(impl_->loop);
  impl_->core = pw_context_connect_fd(impl_->context, fd, nullptr, 0);
  if (impl_->core == nullptr) {
    error_ = "PipeWire refused the portal's connection";
  }
  for (std::size_t i = 0; impl_->core != nullptr && i < streams.size(); ++i) {
    auto monitor = std::make_unique<MonitorStream>();
    monitor->owner = impl_.get();
    monitor->info = streams[i];
    monitor->stream = pw_stream_new(
        impl_->core, "Velmora",
        pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY, "Capture",
                          PW_KEY_MEDIA_ROLE, "Screen", nullptr));
    if (monitor->stream == nullptr) {
      error_ = "PipeWire could not make a stream";
      break;
    }
    pw_stream_add_listener(monitor->stream, &monitor->listener, &kStreamEvents, monitor.get());
    std::uint8_t room[1024];
    spa_pod_builder builder = SPA_POD_BUILDER_INIT(room, sizeof(room));
    const spa_pod* params[1] = {VideoFormats(&builder)};
    const int result = pw_stream_connect(
        monitor->stream, PW_DIRECTION_INPUT, streams[i].nodeId,
        static_cast<pw_stream_flags>(PW_STREAM_FLAG_AUTOCONNECT | PW_STREAM_FLAG_MAP_BUFFERS),
        params, 1);
    impl_->streams.push_back(std::move(monitor));
    if (result < 0) {
      error_ = std::string("PipeWire could not connect to the screen: ") + spa_strerror(result);
      break;
    }
  }
  pw_thread_loop_unlock(impl_->loop);
}

PipeWireFrames::~PipeWireFrames() {
  if (impl_->loop != nullptr) pw_thread_loop_stop(impl_->loop);
  for (auto& monitor : impl_->streams) {
    if (monitor->stream != nullptr) pw_stream_destroy(monitor->stream);
  }
  if (impl_->core != nullptr) pw_core_disconnect(impl_->core);
  if (impl_->context != nullptr) pw_context_destroy(impl_->context);
  if (impl_->loop != nullptr) pw_thread_loop_destroy(impl_->loop);
}

PixelReading PipeWireFrames::Read() {
  PixelReading reading;
  reading.ok = true;
  reading.color = kInvalidColor;
  std::lock_guard<std::mutex> guard(impl_->lock);
  const MonitorStream* newest = nullptr;
  for (const auto& monitor : impl_->streams) {
    if (monitor->pointerHere && (newest == nullptr || monitor->pointerSerial > newest->pointerSerial)) {
      newest = monitor.get();
    }
  }
  // Before the first frame, or with the pointer on no shared monitor: no
  // colour rather than a wrong one.
  if (newest == nullptr) return reading;
  reading.position = Point{newest->info.position.x + newest->pointer.x,
                           newest->info.position.y + newest->pointer.y};
  const int x = newest->pointer.x;
  const int y = newest->pointer.y;
  int r = 0, g = 0, b = 0;
  if (x >= newest->width || y >= newest->height || !ChannelOffsets(newest->format, &r, &g, &b)) {
    return reading;
  }
  const std::uint8_t* pixel =
      newest->pixels.data() + static_cast<std::size_t>(y) * newest->stride + static_cast<std::size_t>(x) * 4;
  reading.color = static_cast<TColor>(pixel[r]) | (static_cast<TColor>(pixel[g]) << 8) |
                  (static_cast<TColor>(pixel[b]) << 16);
  return reading;
}

}  // namespace velmora
