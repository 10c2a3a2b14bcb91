// The main window: a borderless GTK window painted by the form, its input,
// timer, tooltips, moving and event loop.
#include <X11/Xlib.h>

#include <cmath>

#include "platform/linux/LinuxPlatform.h"

namespace velmora {

namespace {

bool ToButton(guint number, MouseButton& button) {
  switch (number) {
    case 1:
      button = MouseButton::Left;
      return true;
    case 2:
      button = MouseButton::Middle;
      return true;
    case 3:
      button = MouseButton::Right;
      return true;
    default:
      return false;
  }
}

guint ButtonNumber(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return 1;
    case MouseButton::Middle:
      return 2;
    case MouseButton::Right:
      return 3;
  }
  return 1;
}

Point ToPoint(double x, double y) {
  return Point{static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y))};
}

// a / b rounded towards minus infinity.
int FloorDiv(int a, int b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

std::unique_ptr<IWindow> LinuxPlatform::CreateMainWindow(const WindowDesc& desc,
                                                         const std::string& appTitle,
                                                         IWindowEvents& events) {
  auto window = std::make_unique<LinuxWindow>(*this, desc, appTitle, events);
  Attach(window.get());
  return window;
}

LinuxWindow::LinuxWindow(LinuxPlatform& platform, const WindowDesc& desc,
                         const std::string& appTitle, IWindowEvents& events)
    : platform_(platform),
      dispatch_(events),
      background_(desc.background),
      size_{desc.width, desc.height} {
  // The task bar and WM_CLASS name the application.
  if (g_get_application_name() == nullptr) g_set_application_name(appTitle.c_str());
  if (g_get_prgname() == nullptr) g_set_prgname("velmora");
  gdk_set_program_class("Velmora");

  widget_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(widget_);
  gtk_window_set_title(window, desc.caption.c_str());
  gtk_window_set_decorated(window, FALSE);
  gtk_window_set_keep_above(window, desc.topmost);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_UTILITY);
  gtk_window_set_resizable(window, FALSE);
  gtk_widget_set_app_paintable(widget_, TRUE);
  gtk_widget_set_size_request(widget_, desc.width, desc.height);
  gtk_window_set_default_size(window, desc.width, desc.height);
  gtk_widget_set_has_tooltip(widget_, TRUE);
  gtk_widget_add_events(widget_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                     GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK);
  g_signal_connect(widget_, "draw", G_CALLBACK(OnDraw), this);
  g_signal_connect(widget_, "button-press-event", G_CALLBACK(OnButtonPress), this);
  g_signal_connect(widget_, "button-release-event", G_CALLBACK(OnButtonRelease), this);
  g_signal_connect(widget_, "motion-notify-event", G_CALLBACK(OnMotion), this);
  g_signal_connect(widget_, "leave-notify-event", G_CALLBACK(OnLeave), this);
  g_signal_connect(widget_, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(widget_, "map-event", G_CALLBACK(OnMapped), this);
  g_signal_connect(widget_, "query-tooltip", G_CALLBACK(OnQueryTooltip), this);
  // Realized now, so the scale is known before the form places the window.
  gtk_widget_realize(widget_);
  gdk_window_add_filter(gtk_widget_get_window(widget_), OnXEvent, this);
  if (platform_.UnmanagedWindows())
    gdk_window_set_override_redirect(gtk_widget_get_window(widget_), TRUE);
}

LinuxWindow::~LinuxWindow() {
  DestroyWidget();
}

int LinuxWindow::Scale() {
  if (widget_ == nullptr || !platform_.DisplayAlive()) return 1;
  GdkWindow* window = gtk_widget_get_window(widget_);
  return window != nullptr ? gdk_window_get_scale_factor(window) : 1;
}

Rect LinuxWindow::Bounds() {
  const int scale = Scale();
  Point corner = position_;
  // Shown, the window is where the X server has it (a window manager may
  // have moved it); before that, where it was asked to be.
  // NOTE: asking the X server is a round trip, and the strip asks on every
  // tick; the answer is kept until the window is moved, resized, reparented,
  // mapped or unmapped (a window manager that moves our frame tells us with
  // a ConfigureNotify of its own).
  if (widget_ != nullptr && platform_.DisplayAlive() && gtk_widget_get_mapped(widget_)) {
    if (!originKnown_) {
      gdk_window_get_origin(gtk_widget_get_window(widget_), &origin_.x, &origin_.y);
      originKnown_ = true;
    }
    corner = origin_;
  }
  return Rect{corner.x * scale, corner.y * scale, size_.width, size_.height};
}

void LinuxWindow::SetBounds(const Rect& bounds) {
  if (widget_ == nullptr || !platform_.DisplayAlive()) return;
  const int scale = Scale();
  position_ = Point{FloorDiv(bounds.x, scale), FloorDiv(bounds.y, scale)};
  originKnown_ = false;
  gtk_window_move(Widget(), position_.x, position_.y);
  if (bounds.width != size_.width || bounds.height != size_.height) {
    size_ = Size{bounds.width, bounds.height};
    gtk_widget_set_size_request(widget_, size_.width, size_.height);
    gtk_window_resize(Widget(), size_.width, size_.height);
  }
}

int LinuxWindow::ToScreenPixels(int length) {
  return length * Scale();
}

void LinuxWindow::StartTimer(int milliseconds) {
  if (timer_ != 0) g_source_remove(timer_);
  timer_ = g_timeout_add(static_cast<guint>(milliseconds > 0 ? milliseconds : 1), OnTick, this);
}

gboolean LinuxWindow::OnTick(gpointer self) {
  static_cast<LinuxWindow*>(self)->dispatch_.Timer();
  return G_SOURCE_CONTINUE;
}

void LinuxWindow::Invalidate(const Rect& r) {
  if (widget_ == nullptr || !platform_.DisplayAlive() || r.Empty()) return;
  gtk_widget_queue_draw_area(widget_, r.x, r.y, r.width, r.height);
}

void LinuxWindow::SetTooltip(int tool, const Rect& r, const std::string& text) {
  if (text.empty()) {
    tooltips_.erase(tool);
  } else {
    tooltips_[tool] = Tooltip{r, text};
  }
}

int LinuxWindow::ToolAt(Point p) const {
  for (const auto& entry : tooltips_) {
    if (entry.second.rect.Contains(p)) return entry.first;
  }
  return 0;
}

gboolean LinuxWindow::OnQueryTooltip(GtkWidget*, gint x, gint y, gboolean, GtkTooltip* tooltip,
                                     gpointer self) {
  auto* window = static_cast<LinuxWindow*>(self);
  const auto it = window->tooltips_.find(window->ToolAt(Point{x, y}));
  if (it == window->tooltips_.end()) return FALSE;
  const Tooltip& tip = it->second;
  gtk_tooltip_set_text(tooltip, tip.text.c_str());
  return TRUE;
}

void LinuxWindow::BeginMove(MouseButton button) {
  if (widget_ == nullptr || !platform_.DisplayAlive()) return;
  const guint number = ButtonNumber(button);
  GdkDisplay* display = platform_.Gdk();
  GdkDevice* pointer = gdk_seat_get_pointer(gdk_display_get_default_seat(display));
  GdkScreen* screen = gdk_display_get_default_screen(display);
  // NOTE: the move starts where the button went down, not where the pointer
  // is now: on a busy machine it may already have moved on, and the window
  // would then trail it by that distance.
  const gint rootX = pressRoot_.x;
  const gint rootY = pressRoot_.y;
  GdkModifierType mask{};
  gdk_device_get_state(pointer, gdk_get_default_root_window(), nullptr, &mask);
  // Only while that button is held: its release ends the move.
  if ((mask & (GDK_BUTTON1_MASK << (number - 1))) == 0) return;
  if (!platform_.UnmanagedWindows() &&
      gdk_x11_screen_supports_net_wm_hint(screen,
                                          gdk_atom_intern_static_string("_NET_WM_MOVERESIZE"))) {
    gtk_window_begin_move_drag(Widget(), static_cast<gint>(number), rootX, rootY,
                               gtk_get_current_event_time());
    return;
  }
  // NOTE: with no window manager (or a window it does not manage) nobody
  // moves windows for us: we grab the pointer and follow it until the button
  // is released.
  GdkCursor* cursor = gdk_cursor_new_from_name(display, "move");
  const GdkGrabStatus status =
      gdk_seat_grab(gdk_display_get_default_seat(display), gtk_widget_get_window(widget_),
                    GDK_SEAT_CAPABILITY_POINTER, FALSE, cursor, nullptr, nullptr, nullptr);
  if (cursor != nullptr) g_object_unref(cursor);
  if (status != GDK_GRAB_SUCCESS) return;
  gint x = 0;
  gint y = 0;
  gdk_window_get_origin(gtk_widget_get_window(widget_), &x, &y);
  moving_ = true;
  moveButton_ = number;
  moveOffset_ = Point{rootX - x, rootY - y};
}

void LinuxWindow::FollowPointer(double rootX, double rootY) {
  const Point corner{static_cast<int>(rootX) - moveOffset_.x,
                     static_cast<int>(rootY) - moveOffset_.y};
  if (corner.x == position_.x && corner.y == position_.y && originKnown_) return;
  position_ = corner;
  originKnown_ = false;
  gtk_window_move(Widget(), corner.x, corner.y);
}

void LinuxWindow::EndMove() {
  if (!moving_) return;
  moving_ = false;
  if (platform_.DisplayAlive()) gdk_seat_ungrab(gdk_display_get_default_seat(platform_.Gdk()));
}

HotKeyRegistration LinuxWindow::BindHotKey(HotKey key) {
  const HotKeyRegistration registration = platform_.GrabHotKey(key);
  hotKeys_[registration.id] = true;
  return registration;
}

void LinuxWindow::UnbindHotKey(int id) {
  platform_.UngrabHotKey(id);
  hotKeys_.erase(id);
}

void LinuxWindow::Close() {
  closed_ = true;
  // The menu's own loop would keep the program up until the user closed it.
  if (menu_ != nullptr) gtk_menu_shell_deactivate(GTK_MENU_SHELL(menu_));
  if (loopRunning_) {
    loopRunning_ = false;
    gtk_main_quit();
  }
}

void LinuxWindow::RunEventLoop() {
  if (widget_ == nullptr || closed_) return;
  dispatch_.Show();
  if (closed_) {
    dispatch_.LoopEnded();
    return;
  }
  gtk_widget_show(widget_);
  loopRunning_ = true;
  gtk_main();
  loopRunning_ = false;
  dispatch_.LoopEnded();
}

void LinuxWindow::Destroy() {
  if (widget_ == nullptr) return;
  dispatch_.Destroy();
  DestroyWidget();
}

void LinuxWindow::DestroyWidget() {
  if (timer_ != 0) g_source_remove(timer_);
  timer_ = 0;
  EndMove();
  while (!hotKeys_.empty()) UnbindHotKey(hotKeys_.begin()->first);
  tooltips_.clear();
  platform_.Detach(this);
  if (widget_ != nullptr && platform_.DisplayAlive()) {
    gdk_window_remove_filter(gtk_widget_get_window(widget_), OnXEvent, this);
    gtk_widget_destroy(widget_);
  }
  widget_ = nullptr;
}

void LinuxWindow::SetPointerShape(PointerShape shape) {
  if (shape == shape_ || widget_ == nullptr) return;
  shape_ = shape;
  const char* name = shape == PointerShape::Move   ? "move"
                     : shape == PointerShape::Hand ? "pointer"
                                                   : "default";
  GdkCursor* cursor = gdk_cursor_new_from_name(platform_.Gdk(), name);
  gdk_window_set_cursor(gtk_widget_get_window(widget_), cursor);
  if (cursor != nullptr) g_object_unref(cursor);
}

gboolean LinuxWindow::OnDraw(GtkWidget*, cairo_t* cr, gpointer self) {
  auto* window = static_cast<LinuxWindow*>(self);
  GdkRectangle clip{0, 0, window->size_.width, window->size_.height};
  gdk_cairo_get_clip_rectangle(cr, &clip);
  const Rect dirty{clip.x, clip.y, clip.width, clip.height};
  CairoCanvas canvas(cr);
  canvas.FillRect(dirty, window->background_);
  window->dispatch_.Paint(canvas, dirty);
  return TRUE;
}

gboolean LinuxWindow::OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* window = static_cast<LinuxWindow*>(self);
  MouseButton button{};
  // Double and triple clicks come as presses of their own as well.
  if (event->type != GDK_BUTTON_PRESS || !ToButton(event->button, button)) return TRUE;
  window->pressRoot_ = ToPoint(event->x_root, event->y_root);
  window->dispatch_.MouseDown(ToPoint(event->x, event->y), button);
  return TRUE;
}

gboolean LinuxWindow::OnButtonRelease(GtkWidget*, GdkEventButton* event, gpointer self) {
  auto* window = static_cast<LinuxWindow*>(self);
  if (window->moving_ && event->button == window->moveButton_) {
    // The release that ends a move belongs to the move, and puts the window
    // where the pointer let go (GTK may have merged the last motion into it).
    window->FollowPointer(event->x_root, event->y_root);
    window->EndMove();
    return TRUE;
  }
  MouseButton button{};
  if (ToButton(event->button, button)) {
    window->dispatch_.MouseUp(ToPoint(event->x, event->y), button);
  }
  return TRUE;
}

gboolean LinuxWindow::OnMotion(GtkWidget*, GdkEventMotion* event, gpointer self) {
  auto* window = static_cast<LinuxWindow*>(self);
  if (window->moving_) {
    window->FollowPointer(event->x_root, event->y_root);
    return TRUE;
  }
  const Point p = ToPoint(event->x, event->y);
  // NOTE: GTK keeps a shown tooltip while the pointer stays in the widget;
  // another tool under the pointer needs a fresh query.
  const int tool = window->ToolAt(p);
  if (tool != window->toolUnderPointer_) {
    window->toolUnderPointer_ = tool;
    gtk_widget_trigger_tooltip_query(window->widget_);
  }
  window->SetPointerShape(window->dispatch_.PointerAt(p));
  window->dispatch_.MouseMove(p);
  return TRUE;
}

gboolean LinuxWindow::OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer self) {
  auto* window = static_cast<LinuxWindow*>(self);
  if (event->detail == GDK_NOTIFY_INFERIOR || window->moving_) return FALSE;
  window->dispatch_.MouseLeave();
  return FALSE;
}

gboolean LinuxWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<LinuxWindow*>(self)->Close();
  return TRUE;
}

GdkFilterReturn LinuxWindow::OnXEvent(GdkXEvent* xevent, GdkEvent*, gpointer self) {
  switch (static_cast<XEvent*>(xevent)->type) {
    case ConfigureNotify:
    case ReparentNotify:
    case MapNotify:
    case UnmapNotify:
      static_cast<LinuxWindow*>(self)->originKnown_ = false;
      break;
    default:
      break;
  }
  return GDK_FILTER_CONTINUE;
}

gboolean LinuxWindow::OnMapped(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<LinuxWindow*>(self)->platform_.SetDefaultIconWhenIdle();
  return FALSE;
}

}  // namespace velmora
