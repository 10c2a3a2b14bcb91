/* The yardstick of the wlroots benchmark rows: the least a program can do to
 * know the pixel under the pointer with the protocols Velmora's screen source
 * uses on wlroots desktops. Per output one ext-image-copy-capture session into
 * one wl_shm buffer (captured again at most ten times a second, whole) and one
 * pointer cursor session; ten times a second it reads the one pixel under the
 * pointer and copies nothing. Runs until it is ended.
 *   bare_capture
 */
#define _GNU_SOURCE
#include <poll.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <time.h>
#include <unistd.h>
#include <wayland-client.h>

#include "ext-image-capture-source-v1-client-protocol.h"
#include "ext-image-copy-capture-v1-client-protocol.h"

#define MAX_OUTPUTS 8

struct output {
  struct wl_output* output;
  struct ext_image_capture_source_v1* source;
  struct ext_image_copy_capture_session_v1* session;
  struct ext_image_copy_capture_cursor_session_v1* cursor;
  struct ext_image_copy_capture_frame_v1* frame;
  int width, height;
  uint32_t format;
  struct wl_buffer* buffer;
  uint8_t* pixels;
  int64_t next_capture; /* ms; 0: none due */
  int pointer_in, x, y;
};

static struct wl_shm* shm;
static struct wl_seat* seat;
static struct wl_pointer* pointer;
static struct ext_image_copy_capture_manager_v1* capture;
static struct ext_output_image_capture_source_manager_v1* sources;
static struct output outputs[MAX_OUTPUTS];
static int output_count;
static volatile uint32_t sink;

static int64_t now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (int64_t)t.tv_sec * 1000 + t.tv_nsec / 1000000;
}

static void capture_frame(struct output* o);

static void frame_transform(void* d, struct ext_image_copy_capture_frame_v1* f, uint32_t t) {
  (void)d, (void)f, (void)t;
}
static void frame_damage(void* d, struct ext_image_copy_capture_frame_v1* f, int32_t x, int32_t y,
                         int32_t w, int32_t h) {
  (void)d, (void)f, (void)x, (void)y, (void)w, (void)h;
}
static void frame_time(void* d, struct ext_image_copy_capture_frame_v1* f, uint32_t a, uint32_t b,
                       uint32_t c) {
  (void)d, (void)f, (void)a, (void)b, (void)c;
}
static void frame_ready(void* d, struct ext_image_copy_capture_frame_v1* f) {
  struct output* o = d;
  ext_image_copy_capture_frame_v1_destroy(f);
  o->frame = NULL;
  o->next_capture = now_ms() + 100;
}
static void frame_failed(void* d, struct ext_image_copy_capture_frame_v1* f, uint32_t reason) {
  (void)reason;
  frame_ready(d, f);
}
static const struct ext_image_copy_capture_frame_v1_listener frame_events = {
    frame_transform, frame_damage, frame_time, frame_ready, frame_failed};

static void capture_frame(struct output* o) {
  o->next_capture = 0;
  o->frame = ext_image_copy_capture_session_v1_create_frame(o->session);
  ext_image_copy_capture_frame_v1_add_listener(o->frame, &frame_events, o);
  ext_image_copy_capture_frame_v1_attach_buffer(o->frame, o->buffer);
  ext_image_copy_capture_frame_v1_damage_buffer(o->frame, 0, 0, o->width, o->height);
  ext_image_copy_capture_frame_v1_capture(o->frame);
}

static void session_size(void* d, struct ext_image_copy_capture_session_v1* s, uint32_t w,
                         uint32_t h) {
  (void)s;
  ((struct output*)d)->width = (int)w;
  ((struct output*)d)->height = (int)h;
}
static void session_format(void* d, struct ext_image_copy_capture_session_v1* s, uint32_t f) {
  (void)s;
  struct output* o = d;
  if (f == WL_SHM_FORMAT_XRGB8888 || f == WL_SHM_FORMAT_ARGB8888) o->format = f;
}
static void session_device(void* d, struct ext_image_copy_capture_session_v1* s,
                           struct wl_array* a) {
  (void)d, (void)s, (void)a;
}
static void session_dmabuf(void* d, struct ext_image_copy_capture_session_v1* s, uint32_t f,
                           struct wl_array* a) {
  (void)d, (void)s, (void)f, (void)a;
}
static void session_done(void* d, struct ext_image_copy_capture_session_v1* s) {
  (void)s;
  struct output* o = d;
  if (o->buffer != NULL) return;
  size_t bytes = (size_t)o->width * o->height * 4;
  int fd = memfd_create("bare-capture", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, (off_t)bytes) < 0) exit(1);
  o->pixels = mmap(NULL, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, (int32_t)bytes);
  o->buffer = wl_shm_pool_create_buffer(pool, 0, o->width, o->height, o->width * 4, o->format);
  wl_shm_pool_destroy(pool);
  close(fd);
  capture_frame(o);
}
static void session_stopped(void* d, struct ext_image_copy_capture_session_v1* s) {
  (void)d, (void)s;
}
static const struct ext_image_copy_capture_session_v1_listener session_events = {
    session_size, session_format, session_device, session_dmabuf, session_done, session_stopped};

static void cursor_enter(void* d, struct ext_image_copy_capture_cursor_session_v1* c) {
  (void)c;
  ((struct output*)d)->pointer_in = 1;
}
static void cursor_leave(void* d, struct ext_image_copy_capture_cursor_session_v1* c) {
  (void)c;
  ((struct output*)d)->pointer_in = 0;
}
static void cursor_position(void* d, struct ext_image_copy_capture_cursor_session_v1* c, int32_t x,
                            int32_t y) {
  (void)c;
  ((struct output*)d)->x = x;
  ((struct output*)d)->y = y;
}
static void cursor_hotspot(void* d, struct ext_image_copy_capture_cursor_session_v1* c, int32_t x,
                           int32_t y) {
  (void)d, (void)c, (void)x, (void)y;
}
static const struct ext_image_copy_capture_cursor_session_v1_listener cursor_events = {
    cursor_enter, cursor_leave, cursor_position, cursor_hotspot};

static void follow(struct output* o) {
  o->cursor =
      ext_image_copy_capture_manager_v1_create_pointer_cursor_session(capture, o->source, pointer);
  ext_image_copy_capture_cursor_session_v1_add_listener(o->cursor, &cursor_events, o);
}

static void seat_capabilities(void* d, struct wl_seat* s, uint32_t caps) {
  (void)d;
  if ((caps & WL_SEAT_CAPABILITY_POINTER) && pointer == NULL) {
    pointer = wl_seat_get_pointer(s);
    for (int i = 0; i < output_count; ++i)
      if (outputs[i].source != NULL) follow(&outputs[i]);
  }
}
static void seat_name(void* d, struct wl_seat* s, const char* n) {
  (void)d, (void)s, (void)n;
}
static const struct wl_seat_listener seat_events = {seat_capabilities, seat_name};

static void global(void* d, struct wl_registry* r, uint32_t name, const char* interface,
                   uint32_t version) {
  (void)d, (void)version;
  if (strcmp(interface, wl_shm_interface.name) == 0) {
    shm = wl_registry_bind(r, name, &wl_shm_interface, 1);
  } else if (strcmp(interface, wl_seat_interface.name) == 0 && seat == NULL) {
    seat = wl_registry_bind(r, name, &wl_seat_interface, 1);
    wl_seat_add_listener(seat, &seat_events, NULL);
  } else if (strcmp(interface, wl_output_interface.name) == 0 && output_count < MAX_OUTPUTS) {
    outputs[output_count++].output = wl_registry_bind(r, name, &wl_output_interface, 1);
  } else if (strcmp(interface, ext_image_copy_capture_manager_v1_interface.name) == 0) {
    capture = wl_registry_bind(r, name, &ext_image_copy_capture_manager_v1_interface, 1);
  } else if (strcmp(interface, ext_output_image_capture_source_manager_v1_interface.name) == 0) {
    sources = wl_registry_bind(r, name, &ext_output_image_capture_source_manager_v1_interface, 1);
  }
}
static void global_remove(void* d, struct wl_registry* r, uint32_t name) {
  (void)d, (void)r, (void)name;
}
static const struct wl_registry_listener registry_events = {global, global_remove};

int main(void) {
  struct wl_display* display = wl_display_connect(NULL);
  if (display == NULL) return 1;
  struct wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_events, NULL);
  wl_display_roundtrip(display);
  if (!shm || !seat || !capture || !sources) return 1;
  for (int i = 0; i < output_count; ++i) {
    struct output* o = &outputs[i];
    o->format = WL_SHM_FORMAT_XRGB8888;
    o->source = ext_output_image_capture_source_manager_v1_create_source(sources, o->output);
    o->session = ext_image_copy_capture_manager_v1_create_session(capture, o->source, 0);
    ext_image_copy_capture_session_v1_add_listener(o->session, &session_events, o);
    if (pointer != NULL) follow(o);
  }
  int64_t next_read = now_ms() + 100;
  struct pollfd fd = {wl_display_get_fd(display), POLLIN, 0};
  for (;;) {
    int64_t now = now_ms();
    if (now >= next_read) {
      /* The one pixel under the pointer, on the output that has it. */
      for (int i = 0; i < output_count; ++i) {
        struct output* o = &outputs[i];
        if (o->pointer_in && o->pixels != NULL && o->x >= 0 && o->y >= 0 && o->x < o->width &&
            o->y < o->height)
          sink = *(uint32_t*)(o->pixels + ((size_t)o->y * o->width + o->x) * 4);
      }
      next_read += 100;
    }
    int64_t wake = next_read;
    for (int i = 0; i < output_count; ++i) {
      struct output* o = &outputs[i];
      if (o->frame == NULL && o->next_capture != 0 && o->next_capture <= now) capture_frame(o);
      if (o->frame == NULL && o->next_capture != 0 && o->next_capture < wake)
        wake = o->next_capture;
    }
    wl_display_flush(display);
    int timeout = (int)(wake - now_ms());
    if (poll(&fd, 1, timeout > 0 ? timeout : 0) > 0) {
      if (wl_display_dispatch(display) < 0) return 1;
    } else if (wl_display_dispatch_pending(display) < 0) {
      return 1;
    }
  }
}
