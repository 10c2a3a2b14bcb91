// The shared monitors' frames from PipeWire: one input stream per monitor,
// shared-memory buffers of packed RGB, at most 10 frames a second, with the
// pointer's position as cursor metadata. PipeWire calls back on its own
// thread; the newest full picture (its buffer, held) and pointer position of
// each monitor are kept under a lock for the 100 ms tick to read.
#include <pipewire/pipewire.h>
#include <spa/buffer/meta.h>
#include <spa/param/video/format-utils.h>
#include <spa/utils/result.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/linux/ScreenSource.h"
#include "platform/wayland/PipeWireFrames.h"

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
    case SPA_VIDEO_FORMAT_BGRA:
      *b = 0;
      *g = 1;
      *r = 2;
      return true;
    case SPA_VIDEO_FORMAT_RGBx:
    case SPA_VIDEO_FORMAT_RGBA:
      *r = 0;
      *g = 1;
      *b = 2;
      return true;
    case SPA_VIDEO_FORMAT_xRGB:
    case SPA_VIDEO_FORMAT_ARGB:
      *r = 1;
      *g = 2;
      *b = 3;
      return true;
    case SPA_VIDEO_FORMAT_xBGR:
    case SPA_VIDEO_FORMAT_ABGR:
      *b = 1;
      *g = 2;
      *r = 3;
      return true;
    default:
      return false;
  }
}

// A picture held back from the compositor: the buffer it came in and how
// to read it.
struct Frame {
  pw_buffer* buffer = nullptr;
  const std::uint8_t* pixels = nullptr;  // the first row
  int width = 0;
  int height = 0;
  int stride = 0;
  int r = 0, g = 0, b = 0;  // byte offsets of the channels in a pixel

  TColor At(int x, int y) const {
    const std::uint8_t* pixel =
        pixels + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 4;
    return static_cast<TColor>(pixel[r]) | (static_cast<TColor>(pixel[g]) << 8) |
           (static_cast<TColor>(pixel[b]) << 16);
  }
};

}  // namespace

struct MonitorStream {
  PipeWireFrames::Impl* owner = nullptr;
  ScreenCastStream info;
  pw_stream* stream = nullptr;
  spa_hook listener{};
  // As negotiated; PipeWire's thread alone reads and writes these.
  spa_video_format format = SPA_VIDEO_FORMAT_UNKNOWN;
  spa_rectangle size{0, 0};
  // Under the owner's lock:
  Frame frame;  // the newest full picture
  bool pointerHere = false;
  Point pointer;                    // the pointer's hot spot in the stream's pixels
  std::uint64_t pointerSerial = 0;  // which stream heard of the pointer last

  // This monitor's place on the desktop, in its frame's pixels.
  Rect Area() const { return Rect{info.position.x, info.position.y, frame.width, frame.height}; }
};

struct PipeWireFrames::Impl {
  pw_thread_loop* loop = nullptr;
  pw_context* context = nullptr;
  pw_core* core = nullptr;
  spa_hook coreListener{};
  std::vector<std::unique_ptr<MonitorStream>> streams;
  std::mutex lock;
  std::uint64_t serial = 0;
  std::function<void(const std::string&)> ended;
  std::atomic<bool> endReported{false};

  void End(const std::string& why) {
    if (!endReported.exchange(true) && ended) ended(why);
  }
  // The pixel of the desktop at `p` in the newest frames; black where no
  // monitor has one. Under the lock.
  TColor PixelAt(Point p) const {
    for (const auto& monitor : streams) {
      if (monitor->frame.buffer != nullptr && monitor->Area().Contains(p)) {
        return monitor->frame.At(p.x - monitor->info.position.x, p.y - monitor->info.position.y);
      }
    }
    return kOffScreenColor;
  }
  void FillBlock(const Rect& area, PixelBlock& block) const {
    velmora::FillBlock(area, block, [this](Point p) { return PixelAt(p); });
  }
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
  // Few buffers (mutter offers 16): one held with the newest picture, the
  // others for the compositor to fill.
  // NOTE: a buffer given back reaches the compositor only two frames later,
  // and a compositor with no free buffer drops the frame, and the pointer's
  // move with it, until the pointer moves again: with 3 every other move was
  // lost, with 5 one in a few at scale 2, with 8 none was seen.
  params[0] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
      &builder, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
      SPA_POD_CHOICE_RANGE_Int(8, 2, 16), SPA_PARAM_BUFFERS_dataType,
      SPA_POD_Int((1 << SPA_DATA_MemPtr) | (1 << SPA_DATA_MemFd))));
  // NOTE: a size range, not one size: the compositor picks its own bitmap size.
  params[1] = static_cast<const spa_pod*>(spa_pod_builder_add_object(
      &builder, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta, SPA_PARAM_META_type,
      SPA_POD_Id(SPA_META_Cursor), SPA_PARAM_META_size,
      SPA_POD_CHOICE_RANGE_Int(CursorMetaSize(64, 64), CursorMetaSize(1, 1),
                               CursorMetaSize(512, 512))));
  pw_stream_update_params(monitor->stream, params, 2);
}

// The picture in `buffer`, when it holds a whole one in a format we read.
bool PictureOf(const MonitorStream& monitor, pw_buffer* buffer, Frame& frame) {
  const spa_data& data = buffer->buffer->datas[0];
  if (data.data == nullptr || data.chunk == nullptr || data.chunk->size == 0 ||
      (data.chunk->flags & SPA_CHUNK_FLAG_CORRUPTED) != 0) {
    return false;
  }
  if (!ChannelOffsets(monitor.format, &frame.r, &frame.g, &frame.b)) return false;
  const int width = static_cast<int>(monitor.size.width);
  const int stride = data.chunk->stride > 0 ? data.chunk->stride : width * 4;
  if (stride < width * 4) return false;
  if (data.chunk->offset + static_cast<std::uint64_t>(data.chunk->size) > data.maxsize)
    return false;
  frame.buffer = buffer;
  frame.pixels = static_cast<const std::uint8_t*>(data.data) + data.chunk->offset;
  frame.width = width;
  frame.height = std::min(static_cast<int>(monitor.size.height),
                          static_cast<int>(data.chunk->size / static_cast<uint32_t>(stride)));
  frame.stride = stride;
  return true;
}

void TakeBuffer(MonitorStream* monitor, pw_buffer* buffer) {
  PipeWireFrames::Impl* owner = monitor->owner;
  const auto* cursor = static_cast<const spa_meta_cursor*>(
      spa_buffer_find_meta_data(buffer->buffer, SPA_META_Cursor, sizeof(spa_meta_cursor)));
  Frame frame;
  const bool picture = PictureOf(*monitor, buffer, frame);
  pw_buffer* done = picture ? nullptr : buffer;
  {
    std::lock_guard<std::mutex> guard(owner->lock);
    if (cursor != nullptr) {
      // Id 0 (KWin: also a position of -1): the pointer is on another monitor.
      // NOTE: mutter also reports a position one past the right or bottom
      // edge as the pointer crosses onto the next monitor, after that
      // monitor's stream has reported it at its own origin: only the stream
      // whose picture holds the position has the pointer.
      const spa_point& p = cursor->position;
      monitor->pointerHere = spa_meta_cursor_is_valid(cursor) && p.x >= 0 && p.y >= 0 &&
                             (monitor->size.width == 0 ||
                              (static_cast<std::uint32_t>(p.x) < monitor->size.width &&
                               static_cast<std::uint32_t>(p.y) < monitor->size.height));
      if (monitor->pointerHere) {
        monitor->pointer = Point{p.x, p.y};
        monitor->pointerSerial = ++owner->serial;
      }
    }
    if (picture) {
      done = monitor->frame.buffer;
      monitor->frame = frame;
    }
  }
  // The older picture goes back to the compositor, once nobody can read it.
  if (done != nullptr) pw_stream_queue_buffer(monitor->stream, done);
}

void OnProcess(void* data) {
  auto* monitor = static_cast<MonitorStream*>(data);
  while (pw_buffer* buffer = pw_stream_dequeue_buffer(monitor->stream)) TakeBuffer(monitor, buffer);
}

// A buffer about to go (the format changed, the stream ends): not read after.
void OnRemoveBuffer(void* data, pw_buffer* buffer) {
  auto* monitor = static_cast<MonitorStream*>(data);
  std::lock_guard<std::mutex> guard(monitor->owner->lock);
  if (monitor->frame.buffer == buffer) monitor->frame = Frame{};
}

void OnStateChanged(void* data, pw_stream_state, pw_stream_state state, const char* error) {
  auto* monitor = static_cast<MonitorStream*>(data);
  // NOTE: the share's node goes when the desktop ends the share (the user
  // stopped it, or the compositor's screencast stopped).
  if (state == PW_STREAM_STATE_ERROR) {
    monitor->owner->End(std::string("the screen's stream failed: ") +
                        (error ? error : "no reason"));
  } else if (state == PW_STREAM_STATE_UNCONNECTED) {
    monitor->owner->End("the desktop ended the screen's stream");
  }
}

void OnCoreError(void* data, uint32_t id, int, int res, const char* message) {
  // EPIPE on the core: the connection to PipeWire is gone.
  if (id == PW_ID_CORE && res == -EPIPE) {
    static_cast<PipeWireFrames::Impl*>(data)->End(std::string("PipeWire went away: ") +
                                                  (message ? message : ""));
  }
}

const pw_core_events kCoreEvents = [] {
  pw_core_events events{};
  events.version = PW_VERSION_CORE_EVENTS;
  events.error = OnCoreError;
  return events;
}();

const pw_stream_events kStreamEvents = [] {
  pw_stream_events events{};
  events.version = PW_VERSION_STREAM_EVENTS;
  events.param_changed = OnParamChanged;
  events.process = OnProcess;
  events.remove_buffer = OnRemoveBuffer;
  events.state_changed = OnStateChanged;
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

PipeWireFrames::PipeWireFrames(int fd, const std::vector<ScreenCastStream>& streams,
                               std::function<void(const std::string&)> ended)
    : impl_(std::make_unique<Impl>()) {
  impl_->ended = std::move(ended);
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
  } else {
    pw_core_add_listener(impl_->core, &impl_->coreListener, &kCoreEvents, impl_.get());
  }
  for (std::size_t i = 0; impl_->core != nullptr && i < streams.size(); ++i) {
    auto monitor = std::make_unique<MonitorStream>();
    monitor->owner = impl_.get();
    monitor->info = streams[i];
    monitor->stream =
        pw_stream_new(impl_->core, "Velmora",
                      pw_properties_new(PW_KEY_MEDIA_TYPE, "Video", PW_KEY_MEDIA_CATEGORY,
                                        "Capture", PW_KEY_MEDIA_ROLE, "Screen", nullptr));
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
  // Our own ending of the streams is nothing to report.
  impl_->endReported = true;
  if (impl_->loop != nullptr) pw_thread_loop_stop(impl_->loop);
  for (auto& monitor : impl_->streams) {
    if (monitor->stream != nullptr) pw_stream_destroy(monitor->stream);
  }
  if (impl_->core != nullptr) pw_core_disconnect(impl_->core);
  if (impl_->context != nullptr) pw_context_destroy(impl_->context);
  if (impl_->loop != nullptr) pw_thread_loop_destroy(impl_->loop);
}

PixelReading PipeWireFrames::Read(int radius, PixelBlock* block) {
  PixelReading reading;
  reading.ok = true;
  reading.color = kInvalidColor;
  std::lock_guard<std::mutex> guard(impl_->lock);
  const MonitorStream* newest = nullptr;
  for (const auto& monitor : impl_->streams) {
    if (monitor->pointerHere &&
        (newest == nullptr || monitor->pointerSerial > newest->pointerSerial)) {
      newest = monitor.get();
    }
  }
  // Before the first frame, or with the pointer on no shared monitor: no
  // colour rather than a wrong one (and a block of black, as off the screen).
  if (newest != nullptr) {
    reading.position = Point{newest->info.position.x + newest->pointer.x,
                             newest->info.position.y + newest->pointer.y};
    if (newest->frame.buffer != nullptr && newest->Area().Contains(reading.position)) {
      reading.color = newest->frame.At(newest->pointer.x, newest->pointer.y);
    }
  }
  if (block != nullptr) impl_->FillBlock(BlockAround(reading.position, radius), *block);
  return reading;
}

PixelBlock PipeWireFrames::ReadBlock(const Rect& area) {
  PixelBlock block;
  std::lock_guard<std::mutex> guard(impl_->lock);
  impl_->FillBlock(area, block);
  return block;
}

}  // namespace velmora
