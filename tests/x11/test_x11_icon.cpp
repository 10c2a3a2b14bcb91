// The program's icon on its window: _NET_WM_ICON holds every size of it.
#include "tests/x11/X11TestSupport.h"
// After gtest: Xlib defines names gtest uses.
#include <X11/Xatom.h>

#include <cstdint>
#include <vector>

#include "platform/linux/VelmoraIcon.h"

namespace velmora {
namespace {

class Icon : public X11Test {};

struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
};

// The images of a window's _NET_WM_ICON, as the window manager reads them.
std::vector<IconImage> WindowIcons(Display* display, ::Window window) {
  std::vector<IconImage> images;
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0,
                         1 << 22, False, XA_CARDINAL, &type, &format, &count, &after,
                         &data) != Success) {
    return images;
  }
  // Xlib hands format-32 items over as longs.
  const auto* items = reinterpret_cast<const unsigned long*>(data);
  unsigned long i = 0;
  while (format == 32 && i + 2 <= count) {
    IconImage image;
    image.width = static_cast<int>(items[i]);
    image.height = static_cast<int>(items[i + 1]);
    i += 2;
    const unsigned long pixels = static_cast<unsigned long>(image.width) * image.height;
    if (pixels == 0 || i + pixels > count) break;
    for (unsigned long p = 0; p < pixels; ++p) {
      image.argb.push_back(static_cast<std::uint32_t>(items[i + p]));
    }
    i += pixels;
    images.push_back(image);
  }
  if (data != nullptr) XFree(data);
  return images;
}

// An embedded PNG as ARGB pixels, the layout of _NET_WM_ICON.
IconImage Decode(const EmbeddedPng& png) {
  IconImage image;
  GInputStream* stream = g_memory_input_stream_new_from_data(png.bytes, png.size, nullptr);
  GdkPixbuf* pixbuf = gdk_pixbuf_new_from_stream(stream, nullptr, nullptr);
  g_object_unref(stream);
  if (pixbuf == nullptr) return image;
  image.width = gdk_pixbuf_get_width(pixbuf);
  image.height = gdk_pixbuf_get_height(pixbuf);
  const int channels = gdk_pixbuf_get_n_channels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const guchar* p = pixels + y * stride + x * channels;
      const std::uint32_t alpha = channels == 4 ? p[3] : 255;
      image.argb.push_back(alpha << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 |
                           p[2]);
    }
  }
  g_object_unref(pixbuf);
  return image;
}

const IconImage* OfSize(const std::vector<IconImage>& images, int size) {
  for (const IconImage& image : images) {
    if (image.width == size && image.height == size) return &image;
  }
  return nullptr;
}

TEST_F(Icon, TheWindowCarriesTheProgramsIconAtEverySize) {
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(static_cast<LinuxWindow&>(w).Widget()));
    // The icon comes once the window is shown and the main loop idle.
    std::vector<IconImage> shown;
    PumpUntil([&] {
      shown = WindowIcons(platform->XDisplay(), GDK_WINDOW_XID(gdk));
      return !shown.empty();
    });
    // The copy compiled into the program, image for image, pixel for pixel.
    std::vector<int> sizes;
    for (const IconImage& image : shown) sizes.push_back(image.width);
    EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 128}));
    for (const EmbeddedPng& png : kIconPngs) {
      const IconImage expected = Decode(png);
      ASSERT_GT(expected.width, 0);
      const IconImage* image = OfSize(shown, expected.width);
      ASSERT_NE(image, nullptr) << expected.width;
      EXPECT_EQ(image->argb, expected.argb) << expected.width;
    }
    // The swatch's blue quarter, bottom left (#4169E1), at 16 and 48 px.
    ASSERT_NE(OfSize(shown, 16), nullptr);
    ASSERT_NE(OfSize(shown, 48), nullptr);
    EXPECT_EQ(OfSize(shown, 16)->argb[13 * 16 + 2], 0xFF4169E1u);
    EXPECT_EQ(OfSize(shown, 48)->argb[40 * 48 + 10], 0xFF4169E1u);
  });
}

}  // namespace
}  // namespace velmora
