/* The desktop the wlroots tests look at, as one Wayland client of a headless
 * sway or labwc: every output painted with a pattern that gives each device
 * pixel its own colour (a background layer-shell surface at the output's
 * scale), a virtual pointer (headless sway's seat has none of its own), and
 * on request a fullscreen window. It prints one line per output,
 *   output NAME X Y WIDTH HEIGHT SCALE     (logical position and size)
 * then "ready", and answers each line on standard input with "ok":
 *   move X Y        the pointer to layout position X, Y (fractions allowed)
 *   button down|up  the left button
 *   fullscreen RRGGBB K   a fullscreen window of that colour on output K
 *   square on|off   a 64 x 64 square at the first output's top left corner
 *                   changes colour 30 times a second (for the benchmark)
 * The colour of device pixel (x, y) of output k (in order of X):
 *   red x % 256, green y % 256, blue 128 k + 16 (x / 256) + y / 256.
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

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-output-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#define MAX_OUTPUTS 8

struct output {
  struct wl_output* output;
  struct zxdg_output_v1* xdg;
  char name[64];
  int x, y, width, height; /* logical */
  int scale;
  int index;
  struct wl_surface* surface;
  struct zwlr_layer_surface_v1* layer;
  struct wl_buffer* buffer;
  uint32_t* pixels;
  int buffer_width;
};

static struct wl_display* display;
static struct wl_compositor* compositor;
static struct wl_shm* shm;
static struct wl_seat* seat;
static struct zwlr_layer_shell_v1* layers;
static struct zwlr_virtual_pointer_manager_v1* pointers;
static struct zwlr_virtual_pointer_v1* pointer;
static struct xdg_wm_base* wm;
static struct zxdg_output_manager_v1* xdg_outputs;
static struct output outputs[MAX_OUTPUTS];
static int output_count;
static int configured_width, configured_height, configured;

static void die(const char* what) {
  fprintf(stderr, "wlr_desk: %s\n", what);
  exit(1);
}

static uint32_t now_ms(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (uint32_t)(t.tv_sec * 1000 + t.tv_nsec / 1000000);
}

/* A wl_buffer of w x h XRGB8888 pixels; *pixels is its memory. */
static struct wl_buffer* make_buffer(int w, int h, uint32_t** pixels) {
  size_t bytes = (size_t)w * h * 4;
  int fd = memfd_create("wlr-desk", MFD_CLOEXEC);
  if (fd < 0 || ftruncate(fd, (off_t)bytes) < 0) die("no shared memory");
  *pixels = mmap(NULL, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (*pixels == MAP_FAILED) die("no mapping");
  struct wl_shm_pool* pool = wl_shm_create_pool(shm, fd, (int32_t)bytes);
  struct wl_buffer* buffer =
      wl_shm_pool_create_buffer(pool, 0, w, h, w * 4, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  return buffer;
}

static void output_geometry(void* d, struct wl_output* o, int32_t x, int32_t y, int32_t pw,
                            int32_t ph, int32_t sp, const char* make, const char* model,
                            int32_t t) {
  (void)d, (void)o, (void)x, (void)y, (void)pw, (void)ph, (void)sp, (void)make, (void)model,
      (void)t;
}
static void output_mode(void* d, struct wl_output* o, uint32_t f, int32_t w, int32_t h, int32_t r) {
  (void)d, (void)o, (void)f, (void)w, (void)h, (void)r;
}
static void output_done(void* d, struct wl_output* o) {
  (void)d, (void)o;
}
static void output_scale(void* d, struct wl_output* o, int32_t s) {
  (void)o;
  ((struct output*)d)->scale = s;
}
static void output_text(void* d, struct wl_output* o, const char* text) {
  (void)d, (void)o, (void)text;
}
static const struct wl_output_listener output_events = {output_geometry, output_mode, output_done,
                                                        output_scale,    output_text, output_text};

static void xdg_position(void* d, struct zxdg_output_v1* o, int32_t x, int32_t y) {
  (void)o;
  ((struct output*)d)->x = x;
  ((struct output*)d)->y = y;
}
static void xdg_size(void* d, struct zxdg_output_v1* o, int32_t w, int32_t h) {
  (void)o;
  ((struct output*)d)->width = w;
  ((struct output*)d)->height = h;
}
static void xdg_done(void* d, struct zxdg_output_v1* o) {
  (void)d, (void)o;
}
static void xdg_name(void* d, struct zxdg_output_v1* o, const char* name) {
  (void)o;
  snprintf(((struct output*)d)->name, sizeof((struct output*)d)->name, "%s", name);
}
static void xdg_description(void* d, struct zxdg_output_v1* o, const char* text) {
  (void)d, (void)o, (void)text;
}
static const struct zxdg_output_v1_listener xdg_output_events = {xdg_position, xdg_size, xdg_done,
                                                                 xdg_name, xdg_description};

static void global(void* d, struct wl_registry* r, uint32_t name, const char* interface,
                   uint32_t version) {
  (void)d;
  if (strcmp(interface, wl_compositor_interface.name) == 0) {
    compositor = wl_registry_bind(r, name, &wl_compositor_interface, 4);
  } else if (strcmp(interface, wl_shm_interface.name) == 0) {
    shm = wl_registry_bind(r, name, &wl_shm_interface, 1);
  } else if (strcmp(interface, wl_seat_interface.name) == 0 && seat == NULL) {
    seat = wl_registry_bind(r, name, &wl_seat_interface, 1);
  } else if (strcmp(interface, wl_output_interface.name) == 0 && output_count < MAX_OUTPUTS) {
    struct output* o = &outputs[output_count++];
    o->scale = 1;
    o->output = wl_registry_bind(r, name, &wl_output_interface, version < 3 ? version : 3);
    wl_output_add_listener(o->output, &output_events, o);
  } else if (strcmp(interface, zwlr_layer_shell_v1_interface.name) == 0) {
    layers = wl_registry_bind(r, name, &zwlr_layer_shell_v1_interface, 1);
  } else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
    pointers = wl_registry_bind(r, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
  } else if (strcmp(interface, xdg_wm_base_interface.name) == 0) {
    wm = wl_registry_bind(r, name, &xdg_wm_base_interface, 1);
  } else if (strcmp(interface, zxdg_output_manager_v1_interface.name) == 0) {
    xdg_outputs = wl_registry_bind(r, name, &zxdg_output_manager_v1_interface, 2);
  }
}
static void global_remove(void* d, struct wl_registry* r, uint32_t name) {
  (void)d, (void)r, (void)name;
}
static const struct wl_registry_listener registry_events = {global, global_remove};

static void wm_ping(void* d, struct xdg_wm_base* w, uint32_t serial) {
  (void)d;
  xdg_wm_base_pong(w, serial);
}
static const struct xdg_wm_base_listener wm_events = {wm_ping};

/* The pattern of the header comment. */
static uint32_t pattern(int k, int x, int y) {
  uint32_t blue = (uint32_t)(128 * k + 16 * (x / 256) + y / 256) & 0xFF;
  return ((uint32_t)(x % 256) << 16) | ((uint32_t)(y % 256) << 8) | blue;
}

static void layer_configure(void* d, struct zwlr_layer_surface_v1* l, uint32_t serial, uint32_t w,
                            uint32_t h) {
  struct output* o = d;
  zwlr_layer_surface_v1_ack_configure(l, serial);
  int bw = (int)w * o->scale, bh = (int)h * o->scale;
  uint32_t* pixels;
  struct wl_buffer* buffer = make_buffer(bw, bh, &pixels);
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) pixels[(size_t)y * bw + x] = pattern(o->index, x, y);
  o->buffer = buffer;
  o->pixels = pixels;
  o->buffer_width = bw;
  wl_surface_set_buffer_scale(o->surface, o->scale);
  wl_surface_attach(o->surface, buffer, 0, 0);
  wl_surface_damage(o->surface, 0, 0, INT32_MAX, INT32_MAX);
  wl_surface_commit(o->surface);
  configured++;
}
static void layer_closed(void* d, struct zwlr_layer_surface_v1* l) {
  (void)d, (void)l;
}
static const struct zwlr_layer_surface_v1_listener layer_events = {layer_configure, layer_closed};

static void surface_configure(void* d, struct xdg_surface* s, uint32_t serial) {
  (void)d;
  xdg_surface_ack_configure(s, serial);
  configured++;
}
static const struct xdg_surface_listener surface_events = {surface_configure};
static void toplevel_configure(void* d, struct xdg_toplevel* t, int32_t w, int32_t h,
                               struct wl_array* states) {
  (void)d, (void)t, (void)states;
  configured_width = w;
  configured_height = h;
}
static void toplevel_close(void* d, struct xdg_toplevel* t) {
  (void)d, (void)t;
}
static void toplevel_bounds(void* d, struct xdg_toplevel* t, int32_t w, int32_t h) {
  (void)d, (void)t, (void)w, (void)h;
}
static void toplevel_capabilities(void* d, struct xdg_toplevel* t, struct wl_array* c) {
  (void)d, (void)t, (void)c;
}
static const struct xdg_toplevel_listener toplevel_events = {
    toplevel_configure, toplevel_close, toplevel_bounds, toplevel_capabilities};

static int by_x(const void* a, const void* b) {
  return ((const struct output*)a)->x - ((const struct output*)b)->x;
}

/* The layout's bounding box, logical pixels. */
static void layout_box(int* x0, int* y0, int* x1, int* y1) {
  *x0 = *y0 = INT32_MAX;
  *x1 = *y1 = INT32_MIN;
  for (int i = 0; i < output_count; ++i) {
    const struct output* o = &outputs[i];
    if (o->x < *x0) *x0 = o->x;
    if (o->y < *y0) *y0 = o->y;
    if (o->x + o->width > *x1) *x1 = o->x + o->width;
    if (o->y + o->height > *y1) *y1 = o->y + o->height;
  }
}

static void move_pointer(double x, double y) {
  int x0, y0, x1, y1;
  layout_box(&x0, &y0, &x1, &y1);
  /* Thousandths of a logical pixel. */
  zwlr_virtual_pointer_v1_motion_absolute(pointer, now_ms(), (uint32_t)((x - x0) * 1000),
                                          (uint32_t)((y - y0) * 1000), (uint32_t)(x1 - x0) * 1000,
                                          (uint32_t)(y1 - y0) * 1000);
  zwlr_virtual_pointer_v1_frame(pointer);
}

static void fullscreen(uint32_t color, int k) {
  struct wl_surface* surface = wl_compositor_create_surface(compositor);
  struct xdg_surface* xs = xdg_wm_base_get_xdg_surface(wm, surface);
  xdg_surface_add_listener(xs, &surface_events, NULL);
  struct xdg_toplevel* top = xdg_surface_get_toplevel(xs);
  xdg_toplevel_add_listener(top, &toplevel_events, NULL);
  xdg_toplevel_set_title(top, "fullscreen");
  xdg_toplevel_set_fullscreen(top, outputs[k].output);
  wl_surface_commit(surface);
  int before = configured;
  while (configured == before)
    if (wl_display_dispatch(display) < 0) die("connection lost");
  int w = configured_width > 0 ? configured_width : outputs[k].width;
  int h = configured_height > 0 ? configured_height : outputs[k].height;
  uint32_t* pixels;
  struct wl_buffer* buffer = make_buffer(w, h, &pixels);
  for (size_t i = 0; i < (size_t)w * h; ++i) pixels[i] = color;
  wl_surface_attach(surface, buffer, 0, 0);
  wl_surface_damage(surface, 0, 0, w, h);
  wl_surface_commit(surface);
}

/* The next colour of the changing square. */
static void paint_square(void) {
  static uint32_t step;
  struct output* o = &outputs[0];
  uint32_t color = (step++ * 0x10307u) & 0xFFFFFFu;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) o->pixels[(size_t)y * o->buffer_width + x] = color;
  wl_surface_attach(o->surface, o->buffer, 0, 0);
  wl_surface_damage_buffer(o->surface, 0, 0, 64, 64);
  wl_surface_commit(o->surface);
}

int main(void) {
  display = wl_display_connect(NULL);
  if (display == NULL) die("no Wayland display");
  struct wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &registry_events, NULL);
  wl_display_roundtrip(display);
  if (!compositor || !shm || !layers || !pointers || !wm || !xdg_outputs || output_count == 0)
    die("the compositor lacks a global this helper needs");
  xdg_wm_base_add_listener(wm, &wm_events, NULL);
  for (int i = 0; i < output_count; ++i) {
    outputs[i].xdg = zxdg_output_manager_v1_get_xdg_output(xdg_outputs, outputs[i].output);
    zxdg_output_v1_add_listener(outputs[i].xdg, &xdg_output_events, &outputs[i]);
  }
  wl_display_roundtrip(display);
  wl_display_roundtrip(display);
  qsort(outputs, (size_t)output_count, sizeof outputs[0], by_x);
  for (int i = 0; i < output_count; ++i) {
    struct output* o = &outputs[i];
    /* The listeners hold addresses: set again after sorting. */
    wl_proxy_set_user_data((struct wl_proxy*)o->output, o);
    wl_proxy_set_user_data((struct wl_proxy*)o->xdg, o);
    o->index = i;
    o->surface = wl_compositor_create_surface(compositor);
    o->layer = zwlr_layer_shell_v1_get_layer_surface(
        layers, o->surface, o->output, ZWLR_LAYER_SHELL_V1_LAYER_BACKGROUND, "pattern");
    zwlr_layer_surface_v1_set_anchor(
        o->layer, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                      ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_exclusive_zone(o->layer, -1);
    zwlr_layer_surface_v1_add_listener(o->layer, &layer_events, o);
    wl_surface_commit(o->surface);
  }
  while (configured < output_count)
    if (wl_display_dispatch(display) < 0) die("connection lost");
  pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(pointers, seat);
  wl_display_roundtrip(display);
  for (int i = 0; i < output_count; ++i) {
    const struct output* o = &outputs[i];
    printf("output %s %d %d %d %d %d\n", o->name, o->x, o->y, o->width, o->height, o->scale);
  }
  printf("ready\n");
  fflush(stdout);

  char line[256];
  struct pollfd fds[2] = {{0, POLLIN, 0}, {wl_display_get_fd(display), POLLIN, 0}};
  int square = 0;
  uint32_t painted = 0;
  for (;;) {
    wl_display_flush(display);
    int ready = poll(fds, 2, square ? 33 : -1);
    if (ready < 0) break;
    if (square && now_ms() - painted >= 33) {
      paint_square();
      painted = now_ms();
    }
    if (ready == 0) continue;
    if (fds[1].revents & POLLIN) {
      if (wl_display_dispatch(display) < 0) die("connection lost");
    }
    if (!(fds[0].revents & (POLLIN | POLLHUP))) continue;
    if (fgets(line, sizeof line, stdin) == NULL) break;
    double x, y;
    char word[16];
    unsigned color;
    int k;
    if (sscanf(line, "move %lf %lf", &x, &y) == 2) {
      move_pointer(x, y);
    } else if (sscanf(line, "button %15s", word) == 1) {
      zwlr_virtual_pointer_v1_button(pointer, now_ms(), 0x110 /* BTN_LEFT */,
                                     strcmp(word, "down") == 0 ? WL_POINTER_BUTTON_STATE_PRESSED
                                                               : WL_POINTER_BUTTON_STATE_RELEASED);
      zwlr_virtual_pointer_v1_frame(pointer);
    } else if (sscanf(line, "square %15s", word) == 1) {
      square = strcmp(word, "on") == 0;
    } else if (sscanf(line, "fullscreen %x %d", &color, &k) == 2 && k >= 0 && k < output_count) {
      fullscreen(color, k);
    }
    wl_display_roundtrip(display);
    printf("ok\n");
    fflush(stdout);
  }
  return 0;
}
