// The main window: placement in device pixels, input in logical pixels,
// moving without a window manager, the error box, and fonts that fit.
#include "tests/x11/X11TestSupport.h"
// After gtest: Xlib defines names gtest uses.
#include <X11/extensions/Xfixes.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "tests/shared/text_fit.h"
#include "ui/MainFrm.h"

namespace velmora {
namespace {

class Window : public X11Test {};

TEST_F(Window, BoundsAreDevicePixelsAndSizesLogical) {
  WithWindow(
      Point{200, 100},
      [&](IWindow& w) {
        const int scale = w.ToScreenPixels(1);
        EXPECT_EQ(w.ToScreenPixels(272), 272 * scale);
        EXPECT_EQ(w.Bounds(), (Rect{200, 100, 272, 32}));
        // Taller: grows downwards from the same corner.
        w.SetBounds(Rect{300, 20, 272, 346});
        PumpUntil([&] {
          GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(static_cast<LinuxWindow&>(w).Widget()));
          return gdk_window_get_height(gdk) == 346;
        });
        EXPECT_EQ(w.Bounds(), (Rect{300, 20, 272, 346}));
        // The X server agrees, in device pixels.
        Display* display = platform->XDisplay();
        ::Window child = 0;
        int x = 0;
        int y = 0;
        GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(static_cast<LinuxWindow&>(w).Widget()));
        XTranslateCoordinates(display, GDK_WINDOW_XID(gdk), DefaultRootWindow(display), 0, 0, &x,
                              &y, &child);
        EXPECT_EQ(x, 300);
        EXPECT_EQ(y, 20);
        XWindowAttributes attributes{};
        XGetWindowAttributes(display, GDK_WINDOW_XID(gdk), &attributes);
        EXPECT_EQ(attributes.width, 272 * scale);
        EXPECT_EQ(attributes.height, 346 * scale);
      },
      32);
}

// The strip reads its bounds on every tick; another client (or a window
// manager) moving the window must show in the next reading, every time.
TEST_F(Window, BoundsFollowMovesMadeByAnotherClient) {
  WithWindow(Point{200, 100}, [&](IWindow& w) {
    const int scale = w.ToScreenPixels(1);
    EXPECT_EQ(w.Bounds(), (Rect{200, 100, 272, 32}));
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(static_cast<LinuxWindow&>(w).Widget()));
    const std::string id = std::to_string(GDK_WINDOW_XID(gdk));
    struct Case {
      const char* what;
      std::string command;
      Point corner;  // device pixels
    };
    const Case cases[] = {
        {"moved", "xdotool windowmove " + id + " 40 60", Point{40, 60}},
        {"moved again", "xdotool windowmove " + id + " 120 80", Point{120, 80}},
    };
    for (const Case& c : cases) {
      ASSERT_EQ(RunPumping(c.command), 0) << c.what;
      const Rect expected{c.corner.x / scale * scale, c.corner.y / scale * scale, 272, 32};
      EXPECT_TRUE(PumpUntil([&] { return w.Bounds() == expected; })) << c.what;
      EXPECT_EQ(w.Bounds(), expected) << c.what;
    }
  });
}

TEST_F(Window, ClicksAndMovesArriveInLogicalPixels) {
  form.pointer = [](Point p) { return p.x < 100 ? PointerShape::Move : PointerShape::Hand; };
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    const int scale = w.ToScreenPixels(1);
    form.mouse.clear();
    const std::string at = std::to_string(41 * scale) + " " + std::to_string(7 * scale);
    ASSERT_EQ(std::system(("xdotool mousemove " + at + " click 1 click 3").c_str()), 0);
    PumpUntil([&] { return form.mouse.size() >= 5; });
    PumpPending();
    const std::vector<std::string> expected = {"move 41,7", "down 41,7 L", "up 41,7 L",
                                               "down 41,7 R", "up 41,7 R"};
    EXPECT_EQ(form.mouse, expected);
    form.mouse.clear();
    ASSERT_EQ(std::system("xdotool mousemove 600 600"), 0);
    PumpUntil([&] { return !form.mouse.empty() && form.mouse.back() == "leave"; });
    EXPECT_EQ(form.mouse.back(), "leave");
  });
}

TEST_F(Window, ThePointerTakesTheShapeTheFormAsksFor) {
  form.pointer = [](Point p) {
    return p.x < 100 ? PointerShape::Move : (p.x < 200 ? PointerShape::Hand : PointerShape::Arrow);
  };
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    const int scale = w.ToScreenPixels(1);
    Display* display = platform->XDisplay();
    struct Case {
      int x;
      const char* name;
    };
    // Hand, arrow, move, and back: every change shows.
    const Case cases[] = {{150, "pointer"}, {250, "default"}, {50, "move"}, {150, "pointer"}};
    for (const Case& c : cases) {
      MovePointer(Point{c.x * scale, 10 * scale});
      std::string name;
      PumpUntil([&] {
        XFixesCursorImage* image = XFixesGetCursorImage(display);
        name = image != nullptr && image->name != nullptr ? image->name : "";
        if (image != nullptr) XFree(image);
        return name == c.name;
      });
      EXPECT_EQ(name, c.name) << "at x " << c.x;
    }
  });
}

// The text of the label inside a widget, if any.
std::string LabelText(GtkWidget* widget) {
  if (GTK_IS_LABEL(widget)) return gtk_label_get_text(GTK_LABEL(widget));
  if (!GTK_IS_CONTAINER(widget)) return std::string();
  std::string text;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* child = children; child != nullptr && text.empty(); child = child->next) {
    text = LabelText(GTK_WIDGET(child->data));
  }
  g_list_free(children);
  return text;
}

// The text of the tooltip on screen ("" when none shows).
std::string ShownTooltip() {
  std::string text;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w != nullptr; w = w->next) {
    GtkWindow* window = GTK_WINDOW(w->data);
    if (gtk_window_get_window_type(window) != GTK_WINDOW_POPUP) continue;
    if (!gtk_widget_get_mapped(GTK_WIDGET(window))) continue;
    text = LabelText(GTK_WIDGET(window));
    if (!text.empty()) break;
  }
  g_list_free(windows);
  return text;
}

TEST_F(Window, EachRectangleShowsItsOwnTooltip) {
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    const int scale = w.ToScreenPixels(1);
    w.SetTooltip(7, Rect{240, 16, 17, 17}, "Open Color Box");
    w.SetTooltip(8, Rect{40, 16, 46, 13}, "Visit Velmora HomePage");
    w.SetTooltip(7, Rect{240, 16, 17, 17}, "Hide Color Box");  // replaced
    struct Case {
      Point at;
      const char* text;
    };
    const Case cases[] = {
        {{248, 24}, "Hide Color Box"}, {{60, 20}, "Visit Velmora HomePage"}, {{150, 5}, ""}};
    for (const Case& c : cases) {
      // Small moves inside, as a hand on the mouse makes.
      int moves = 0;
      PumpUntil([&] {
        if (moves++ % 200 == 0)
          MovePointer(Point{c.at.x * scale + moves / 200 % 2, c.at.y * scale});
        return ShownTooltip() == c.text;
      });
      EXPECT_EQ(ShownTooltip(), c.text) << "at " << c.at.x << "," << c.at.y;
    }
  });
}

TEST_F(Window, WithoutAWindowManagerTheWindowFollowsThePointerUntilTheButtonIsUp) {
  WithWindow(Point{100, 100}, [&](IWindow& w) {
    const int scale = w.ToScreenPixels(1);
    const int x0 = 100 + 10 * scale;
    const int y0 = 100 + 5 * scale;
    form.mouse.clear();
    ASSERT_EQ(std::system(("xdotool mousemove " + std::to_string(x0) + " " + std::to_string(y0) +
                           " mousedown 1")
                              .c_str()),
              0);
    PumpUntil([&] { return !form.mouse.empty() && form.mouse.back().rfind("down", 0) == 0; });
    w.BeginMove(MouseButton::Left);
    // A middle click does not end a move of the left button.
    ASSERT_EQ(std::system(("xdotool mousemove " + std::to_string(x0 + 60) + " " +
                           std::to_string(y0 + 40) + " click 2")
                              .c_str()),
              0);
    PumpUntil([&] { return w.Bounds().x == 160 && w.Bounds().y == 140; });
    EXPECT_EQ(w.Bounds().x, 160);
    EXPECT_EQ(w.Bounds().y, 140);
    ASSERT_EQ(std::system(("xdotool mousemove " + std::to_string(x0 + 100) + " " +
                           std::to_string(y0 + 50) + " mouseup 1 mousemove 700 700")
                              .c_str()),
              0);
    PumpPending();
    PumpPending();
    EXPECT_EQ(w.Bounds().x, 200);
    EXPECT_EQ(w.Bounds().y, 150);
    // After the release the pointer moves alone.
    ASSERT_EQ(std::system("xdotool mousemove 650 650"), 0);
    PumpPending();
    EXPECT_EQ(w.Bounds().x, 200);
  });
}

// Answers a modal dialog from a child process: waits for the window titled
// `title` to show, focuses it and types `keys` (xdotool key arguments).
void AnswerDialog(const std::string& title, const std::string& keys) {
  const std::string script =
      "for i in $(seq 100); do id=$(xdotool search --onlyvisible --name '^" + title +
      "$' | head -1); [ -n \"$id\" ] && break; sleep 0.05; done; [ -n \"$id\" ] || exit 1; "
      "xdotool windowfocus --sync $id; sleep 0.2; xdotool key --delay 20 " +
      keys;
  gchar* argv[] = {const_cast<gchar*>("/bin/sh"), const_cast<gchar*>("-c"),
                   const_cast<gchar*>(script.c_str()), nullptr};
  ASSERT_TRUE(
      g_spawn_async(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, nullptr));
}

TEST_F(Window, TheErrorBoxIsTitledWithTheCaptionAndClosesWithOk) {
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    AnswerDialog("Velmora 3.6", "Return");
    // Returns once the box is answered (the test's time-out catches a box left open).
    Platform().ShowErrorBox(&w, "Velmora 3.6", "Something went wrong.");
  });
}

// What a user does in the colour chooser, done from inside: it records
// what the dialog shows, then picks `pick` (or cancels when `pick` is null).
struct ChooserUser {
  const GdkRGBA* pick = nullptr;
  bool seen = false;
  bool editorShown = false;
  GdkRGBA shown{};

  static gboolean Act(gpointer self) {
    auto* user = static_cast<ChooserUser*>(self);
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
      if (!GTK_IS_COLOR_CHOOSER_DIALOG(w->data) || !gtk_widget_get_mapped(GTK_WIDGET(w->data))) {
        continue;
      }
      user->seen = true;
      gboolean editor = FALSE;
      g_object_get(w->data, "show-editor", &editor, nullptr);
      user->editorShown = editor;
      gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(w->data), &user->shown);
      if (user->pick != nullptr) gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(w->data), user->pick);
      gtk_dialog_response(GTK_DIALOG(w->data),
                          user->pick != nullptr ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL);
    }
    g_list_free(windows);
    return user->seen ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
  }
};

TEST_F(Window, TheColourChooserOpensOnTheColourWithItsEditorAndReturnsTheChoice) {
  WithWindow(Point{0, 0}, [&](IWindow& w) {
    const GdkRGBA pick{0x10 / 255.0, 0x20 / 255.0, 0x30 / 255.0, 1.0};
    ChooserUser picks;
    picks.pick = &pick;
    g_timeout_add(20, ChooserUser::Act, &picks);
    TColor color = 0x00E16941;
    EXPECT_TRUE(Platform().PickColor(&w, color));
    EXPECT_TRUE(picks.seen);
    EXPECT_TRUE(picks.editorShown);
    EXPECT_EQ(std::lround(picks.shown.red * 255), 0x41);
    EXPECT_EQ(std::lround(picks.shown.green * 255), 0x69);
    EXPECT_EQ(std::lround(picks.shown.blue * 255), 0xE1);
    EXPECT_EQ(color, 0x00302010);
    // Cancelled: no choice, the colour as it was.
    ChooserUser cancels;
    g_timeout_add(20, ChooserUser::Act, &cancels);
    EXPECT_FALSE(Platform().PickColor(&w, color));
    EXPECT_TRUE(cancels.seen);
    EXPECT_EQ(color, 0x00302010);
  });
}

// A link's text is underlined: one row under it is white across the text.
TEST_F(Window, UnderlinedTextHasAFullLineUnderIt) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 60, 13);
  cairo_t* cr = cairo_create(surface);
  int widest = 0;
  int textWidth = 0;
  {
    CairoCanvas canvas(cr);
    const FontRole font = FontRole::Link;
    canvas.FillRect(Rect{0, 0, 60, 13}, 0x00E16941);
    canvas.PaintText(Rect{0, 0, 60, 13}, "Website", font, 0x00FFFFFF, TextAlign::Left);
    textWidth = canvas.MeasureText("Website", font).width;
  }
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < 13; ++y) {
    int white = 0;
    for (int x = 0; x < 60; ++x) {
      const auto* px = reinterpret_cast<const std::uint32_t*>(data + y * stride) + x;
      if ((*px & 0xFFFFFF) == 0xFFFFFF) ++white;
    }
    widest = std::max(widest, white);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  EXPECT_GE(widest, textWidth - 1);
}

// Every text the main window can show, in the face the canvas resolves its
// fonts to, fits its control on a plain and on a doubled desktop.
TEST_F(Window, TheFormsTextsFitTheirBoxesInTheOneFaceAtEveryScale) {
  const std::string config = MakeTempFolder();
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  std::string misfits;
  std::string families;
  {
    TMainForm main;
    main.FormCreate();
    struct Check {
      TMainForm* form;
      std::string* misfits;
      std::string* families;
    } check{&main, &misfits, &families};
    // Measured inside the event loop, once the showing step has run.
    g_idle_add(
        +[](gpointer data) -> gboolean {
          auto* c = static_cast<Check*>(data);
          for (int scale : {1, 2}) {
            cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 8, 8);
            cairo_t* cr = cairo_create(surface);
            cairo_scale(cr, scale, scale);
            {
              CairoCanvas canvas(cr);
              *c->misfits += Describe(TextsThatDoNotFit(*c->form, canvas));
              *c->families += canvas.ResolvedFamily() + ";";
            }
            cairo_destroy(cr);
            cairo_surface_destroy(surface);
          }
          c->form->Window().Close();
          return G_SOURCE_REMOVE;
        },
        &check);
    main.Window().RunEventLoop();
    main.Window().Destroy();
  }
  unsetenv("XDG_CONFIG_HOME");
  RemoveFolder(config);
  EXPECT_EQ(misfits, "");
  const std::string face = "DejaVu Sans Semi-Condensed;";
  EXPECT_EQ(families, face + face);
}

}  // namespace
}  // namespace velmora
