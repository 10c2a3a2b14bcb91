// Velmora's figures measured inside one native process: the real form on the
// X11 backend, shown. Prints "name value" lines for tests/bench/native/run.sh.
//   velmora_bench_x11
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/linux/LinuxPlatform.h"
#include "tests/bench/BenchForm.h"
#include "tests/bench/native/BareRead.h"

namespace velmora {
namespace {

// The last bare read, kept where the compiler cannot drop the read.
volatile unsigned long bareSink = 0;

double Now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Private_Dirty of this process in KB, as /proc/<pid>/smaps_rollup shows it
// to anyone measuring from outside.
long PrivateDirtyKB() {
  std::ifstream rollup("/proc/self/smaps_rollup");
  std::string key;
  long kb = 0;
  while (rollup >> key) {
    if (key == "Private_Dirty:" && rollup >> kb) return kb;
    rollup.ignore(1 << 20, '\n');
  }
  return -1;
}

// Dispatches whatever GTK has pending, after a round trip to the X server.
void PumpPending() {
  gdk_display_sync(gdk_display_get_default());
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

// Dispatches GTK's events for about `milliseconds`.
void PumpFor(int milliseconds) {
  const double end = Now() + milliseconds / 1000.0;
  while (Now() < end) {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    g_usleep(1000);
  }
}

// Fills the root window (the screen around Velmora) with one colour.
void PaintRoot(Display* display, unsigned long rgb) {
  XSetWindowBackground(display, DefaultRootWindow(display), rgb);
  XClearWindow(display, DefaultRootWindow(display));
  XSync(display, False);
}

void MovePointer(Display* display, int x, int y) {
  XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, x, y);
  XSync(display, False);
}

// Draw signals of the form's window, counted from outside it.
struct DrawCounter {
  GtkWidget* widget = nullptr;
  long draws = 0;
};

gboolean CountDraw(GSignalInvocationHint*, guint, const GValue* params, gpointer data) {
  auto* counter = static_cast<DrawCounter*>(data);
  if (g_value_get_object(&params[0]) == counter->widget) ++counter->draws;
  return TRUE;
}

void Measure(TMainForm& form, LinuxPlatform& platform) {
  auto& window = static_cast<LinuxWindow&>(form.Window());
  Display* display = platform.XDisplay();
  // The pointer rests on bare screen away from the window.
  MovePointer(display, 8, 8);
  PumpFor(500);
  std::printf("private_kb_startup %ld\n", PrivateDirtyKB());

  // One tick (through the window's event dispatch, and the handler called
  // directly) against one bare read, in alternating rounds so that all see
  // the same machine. Paints a tick asks for are dispatched within its time.
  std::vector<double> tick, direct, bare;
  for (int round = 0; round < kRounds; ++round) {
    double start = Now();
    for (int i = 0; i < kCallsPerRound; ++i) {
      window.Dispatch().Timer();
      while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    }
    tick.push_back((Now() - start) / kCallsPerRound);
    start = Now();
    for (int i = 0; i < kCallsPerRound; ++i) form.CatchTimerTimer();
    direct.push_back((Now() - start) / kCallsPerRound);
    start = Now();
    for (int i = 0; i < kCallsPerRound; ++i) bareSink = BareReadPixel(display);
    bare.push_back((Now() - start) / kCallsPerRound);
  }
  std::printf("tick_us %.2f\ndirect_tick_us %.2f\nbare_read_us %.2f\n", Median(tick) * 1e6,
              Median(direct) * 1e6, Median(bare) * 1e6);

  // Real 100 ms ticks with the pointer still.
  DrawCounter counter{GTK_WIDGET(window.Widget()), 0};
  const guint drawSignal = g_signal_lookup("draw", GTK_TYPE_WIDGET);
  const gulong hook = g_signal_add_emission_hook(drawSignal, 0, CountDraw, &counter, nullptr);
  PumpFor(300);
  counter.draws = 0;
  PumpFor(kRestSeconds * 1000);
  std::printf("repaints_per_s %.2f\n", static_cast<double>(counter.draws) / kRestSeconds);

  // Ticks that each see another colour under the pointer, so that every
  // one changes the strip's texts and repaints them.
  counter.draws = 0;
  GdkWindow* gdkWindow = gtk_widget_get_window(counter.widget);
  for (int i = 0; i < kMemoryTicks; ++i) {
    PaintRoot(display, i % 2 == 0 ? 0x2080C0 : 0xC08020);
    window.Dispatch().Timer();
    // NOTE: GTK paints at most once a frame (60 a second); painting what a
    // tick invalidated at once gives every tick its paint, as at 100 ms.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    gdk_window_process_updates(gdkWindow, TRUE);
    G_GNUC_END_IGNORE_DEPRECATIONS
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  }
  PumpPending();
  g_signal_remove_emission_hook(drawSignal, hook);
  std::printf("memory_ticks %d\nmemory_tick_repaints %ld\n", kMemoryTicks, counter.draws);
  std::printf("private_kb_after_ticks %ld\n", PrivateDirtyKB());
}

}  // namespace
}  // namespace velmora

int main() {
  using namespace velmora;
  return RunWithForm([](TMainForm& form, IPlatform& platform) {
    struct Run {
      TMainForm& form;
      LinuxPlatform& platform;
    } run{form, static_cast<LinuxPlatform&>(platform)};
    // Measured from inside the event loop, once the window has been shown.
    g_timeout_add(
        500,
        [](gpointer data) -> gboolean {
          auto* r = static_cast<Run*>(data);
          Measure(r->form, r->platform);
          r->form.Window().Close();
          return G_SOURCE_REMOVE;
        },
        &run);
    form.Window().RunEventLoop();
  });
}
