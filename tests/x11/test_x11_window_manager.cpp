// Under a window manager (Openbox): no frame, kept above the others, and
// dragging handed to the manager.
#include "tests/x11/X11TestSupport.h"
// After gtest: Xlib defines names gtest uses.
#include <X11/Xatom.h>

#include <cstdlib>

namespace velmora {
namespace {

// The atoms of a window property of type ATOM, by name.
std::vector<std::string> AtomNames(Display* display, ::Window window, const char* property) {
  std::vector<std::string> names;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, property, False), 0, 64, False,
                         XA_ATOM, &type, &format, &count, &after, &data) != Success) {
    return names;
  }
  for (unsigned long i = 0; i < count && format == 32; ++i) {
    char* name = XGetAtomName(display, reinterpret_cast<Atom*>(data)[i]);
    names.push_back(name);
    XFree(name);
  }
  if (data != nullptr) XFree(data);
  return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names) {
    if (n == name) return true;
  }
  return false;
}

class WindowManager : public X11Test {};

TEST_F(WindowManager, TheWindowHasNoFrameAndStaysAbove) {
  WithWindow(Point{200, 150}, [&](IWindow& w) {
    Display* display = platform->XDisplay();
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(static_cast<LinuxWindow&>(w).Widget()));
    const ::Window xid = GDK_WINDOW_XID(gdk);
    PumpUntil([&] { return Has(AtomNames(display, xid, "_NET_WM_STATE"), "_NET_WM_STATE_ABOVE"); });
    EXPECT_TRUE(Has(AtomNames(display, xid, "_NET_WM_STATE"), "_NET_WM_STATE_ABOVE"));
    EXPECT_FALSE(Has(AtomNames(display, xid, "_NET_WM_STATE"), "_NET_WM_STATE_SKIP_TASKBAR"));
    // The manager's frame is the window itself: nothing drawn around it.
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(display, xid, &root, &parent, &children, &count));
    if (children != nullptr) XFree(children);
    XWindowAttributes frame{};
    XWindowAttributes client{};
    XGetWindowAttributes(display, parent, &frame);
    XGetWindowAttributes(display, xid, &client);
    EXPECT_EQ(frame.width, client.width);
    EXPECT_EQ(frame.height, client.height);
    EXPECT_EQ(w.Bounds(), (Rect{200, 150, 272, 32}));
    // The title and the class the desktop shows.
    XClassHint hint{};
    ASSERT_TRUE(XGetClassHint(display, xid, &hint));
    EXPECT_STREQ(hint.res_class, "Velmora");
    XFree(hint.res_name);
    XFree(hint.res_class);
    char* title = nullptr;
    ASSERT_TRUE(XFetchName(display, xid, &title));
    EXPECT_STREQ(title, "Velmora");
    XFree(title);
  });
}

TEST_F(WindowManager, TheManagerMovesTheWindowUntilTheButtonIsUp) {
  form.paint = [](ICanvas& canvas, const Rect& r) { canvas.FillRect(r, 0x00E16941); };
  bool began = false;
  WithWindow(Point{100, 100}, [&](IWindow& w) {
    // The form starts the move from its mouse-down, as the strip does.
    ASSERT_EQ(std::system("xdotool mousemove 110 110 mousedown 1"), 0);
    PumpUntil([&] { return !form.mouse.empty() && form.mouse.back().rfind("down", 0) == 0; });
    w.BeginMove(MouseButton::Left);
    began = true;
    PumpPending();
    ASSERT_EQ(std::system("xdotool mousemove 150 140 sleep 0.1 mousemove 210 170 sleep 0.1"), 0);
    PumpUntil([&] { return w.Bounds().x == 200 && w.Bounds().y == 160; });
    EXPECT_EQ(w.Bounds(), (Rect{200, 160, 272, 32}));
    ASSERT_EQ(std::system("xdotool mouseup 1 sleep 0.1 mousemove 600 600 sleep 0.1"), 0);
    PumpPending();
    EXPECT_EQ(w.Bounds(), (Rect{200, 160, 272, 32}));
  });
  EXPECT_TRUE(began);
}

}  // namespace
}  // namespace velmora
