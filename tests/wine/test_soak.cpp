// Soak: the real form on the Win32 backend, ticked, expanded, collapsed and
// storing colours as fast as the window takes it, painting between batches.
// Whatever it holds from the system must end where it started.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/wine/Win32TestSupport.h"
#include "ui/MainFrm.h"

namespace velmora {
namespace {

constexpr int kTicks = 100000;
constexpr int kCycles = 10000;  // expand, store, collapse
constexpr int kTicksPerCycle = kTicks / kCycles;
constexpr int kWarmUpCycles = 100;
constexpr UINT_PTR kFormTimer = 1;

// What the process holds from the system. Where the system reports its
// counts (GetGuiResources, GetProcessHandleCount) they are used; Wine
// reports none (always 0), so there they are found by probing: every GDI
// handle index, every kernel handle value, and the thread's windows.
struct Holdings {
  unsigned gdi = 0;
  unsigned user = 0;
  unsigned handles = 0;

  bool operator==(const Holdings& o) const {
    return gdi == o.gdi && user == o.user && handles == o.handles;
  }
};

BOOL CALLBACK CountWindow(HWND hwnd, LPARAM count) {
  ++*reinterpret_cast<unsigned*>(count);
  ::EnumChildWindows(hwnd, CountWindow, count);
  return TRUE;
}

Holdings Measure() {
  const HANDLE self = ::GetCurrentProcess();
  Holdings h;
  h.gdi = ::GetGuiResources(self, GR_GDIOBJECTS);
  if (h.gdi == 0) {
    // NOTE: Wine accepts a GDI handle by its table index alone.
    for (unsigned i = 1; i < 0x10000; ++i) {
      if (::GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<ULONG_PTR>(i))) != 0) ++h.gdi;
    }
  }
  h.user = ::GetGuiResources(self, GR_USEROBJECTS);
  if (h.user == 0) ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow,
                                       reinterpret_cast<LPARAM>(&h.user));
  DWORD handles = 0;
  ::GetProcessHandleCount(self, &handles);
  h.handles = handles;
  if (h.handles == 0) {
    DWORD flags;
    for (ULONG_PTR v = 4; v < 0x10000; v += 4) {
      if (::GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) ++h.handles;
    }
  }
  return h;
}

std::string Describe(const Holdings& h) {
  return "GDI " + std::to_string(h.gdi) + ", USER " + std::to_string(h.user) + ", handles " +
         std::to_string(h.handles);
}

// Counts the paint messages the form's window receives, from outside the
// product: the window is subclassed for the test's lifetime.
class PaintCounter {
 public:
  explicit PaintCounter(HWND hwnd) : hwnd_(hwnd) {
    counter_ = this;
    previous_ = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc)));
  }
  ~PaintCounter() {
    ::SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    counter_ = nullptr;
  }
  PaintCounter(const PaintCounter&) = delete;
  PaintCounter& operator=(const PaintCounter&) = delete;
  long Count() const { return count_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) ++counter_->count_;
    return ::CallWindowProcA(counter_->previous_, hwnd, message, wParam, lParam);
  }
  static PaintCounter* counter_;
  HWND hwnd_;
  WNDPROC previous_ = nullptr;
  long count_ = 0;
};
PaintCounter* PaintCounter::counter_ = nullptr;

class Soak : public Win32Test {};

TEST_F(Soak, TicksResizesAndStoresLeaveNothingBehind) {
  std::vector<std::string> failures;
  SetExceptionHandler([&](std::exception_ptr e) { failures.push_back(velmora::Describe(e)); });
  // Two patches of screen of different colours for the pointer to rest on,
  // so that ticks change the strip and storing changes the colour box.
  const RECT redArea{20, 20, 80, 80};
  const RECT greenArea{100, 20, 160, 80};
  TestWindow red(RGB(200, 0, 0), &redArea);
  TestWindow green(RGB(0, 160, 0), &greenArea);

  TMainForm form;
  form.FormCreate();
  const HWND hwnd = HwndOf(&form.Window());
  Holdings before, after;
  long paints = 0;
  double seconds = 0;

  WithinEventLoop(form.Window(), [&] {
    PaintCounter counter(hwnd);
    auto cycle = [&](int n) {
      ::SetCursorPos(n % 2 == 0 ? 50 : 130, 50);
      for (int t = 0; t < kTicksPerCycle; ++t) ::SendMessageA(hwnd, WM_TIMER, kFormTimer, 0);
      ::UpdateWindow(hwnd);
      form.btnHelpClick();
      form.SaveColorToColorBox();
      ::UpdateWindow(hwnd);
      form.btnHelpClick();
      PumpMessages(0);
    };
    for (int n = 0; n < kWarmUpCycles; ++n) cycle(n);
    before = Measure();
    const long paintsBefore = counter.Count();
    const DWORD start = ::GetTickCount();
    for (int n = 0; n < kCycles; ++n) cycle(n);
    seconds = (::GetTickCount() - start) / 1000.0;
    paints = counter.Count() - paintsBefore;
    after = Measure();
    // The slots now hold the colours of the soak: put back the stored ones,
    // which the form writes again when it is destroyed.
    form.ReadColorBox();
  });
  form.Window().Destroy();
  SetExceptionHandler(nullptr);

  std::printf("[ soak     ] %d ticks, %d cycles, %ld paints in %.1f s; %s\n", kTicks, kCycles,
              paints, seconds, Describe(after).c_str());
  EXPECT_EQ(failures, std::vector<std::string>{});
  // Each cycle changes the strip and the colour box: painting was exercised.
  EXPECT_GE(paints, 2L * kCycles);
  EXPECT_TRUE(before == after) << "before: " << Describe(before) << "\nafter:  " << Describe(after);
}

}  // namespace
}  // namespace velmora
