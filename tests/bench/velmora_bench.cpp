// Velmora's figures measured inside one Windows process: the real form on
// the Win32 backend, shown. Prints "name value" lines for tests/bench/run.sh.
//   velmora_bench.exe
#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/bench/BenchForm.h"
#include "tests/wine/Win32TestSupport.h"

// After <windows.h> (from the support header), which it needs.
#include <psapi.h>

namespace velmora {
namespace {

constexpr UINT_PTR kFormTimer = 1;

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart / frequency;
}

// The process's private memory in KB: PrivateUsage where the system reports
// it; Wine reports 0, so there the committed private pages are added up.
unsigned long PrivateKB() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (::GetProcessMemoryInfo(::GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters) &&
      counters.PrivateUsage != 0) {
    return static_cast<unsigned long>(counters.PrivateUsage / 1024);
  }
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (const char* at = nullptr; ::VirtualQuery(at, &info, sizeof info) == sizeof info;
       at = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    if (static_cast<const char*>(info.BaseAddress) + info.RegionSize < at) break;
  }
  return static_cast<unsigned long>(total / 1024);
}

void BareRead() {
  HDC screen = ::GetDC(nullptr);
  POINT p;
  ::GetCursorPos(&p);
  volatile COLORREF pixel = ::GetPixel(screen, p.x, p.y);
  (void)pixel;
  ::ReleaseDC(nullptr, screen);
}

// Paint messages of the form's window, counted by subclassing it.
WNDPROC g_formProc = nullptr;
long g_paints = 0;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) ++g_paints;
  return ::CallWindowProcA(g_formProc, hwnd, message, wParam, lParam);
}

void Measure(TMainForm& form) {
  const HWND hwnd = HwndOf(&form.Window());
  // The pointer rests on bare screen away from the window.
  ::SetCursorPos(8, 8);
  PumpMessages(500);
  std::printf("private_kb_startup %lu\n", PrivateKB());

  // One tick (WM_TIMER sent to the window, and the handler called directly)
  // against one bare read of the pixel under the pointer, in alternating
  // rounds so that all see the same machine.
  std::vector<double> tick, direct, bare;
  for (int round = 0; round < kRounds; ++round) {
    double start = Now();
    for (int i = 0; i < kCallsPerRound; ++i) ::SendMessageA(hwnd, WM_TIMER, kFormTimer, 0);
    tick.push_back((Now() - start) / kCallsPerRound);
    start = Now();
    for (int i = 0; i < kCallsPerRound; ++i) form.CatchTimerTimer();
    direct.push_back((Now() - start) / kCallsPerRound);
    start = Now();
    for (int i = 0; i < kCallsPerRound; ++i) BareRead();
    bare.push_back((Now() - start) / kCallsPerRound);
  }
  std::printf("tick_us %.2f\ndirect_tick_us %.2f\nbare_read_us %.2f\n", Median(tick) * 1e6,
              Median(direct) * 1e6, Median(bare) * 1e6);

  // Real 100 ms ticks with the pointer still.
  g_formProc = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingProc)));
  PumpMessages(300);
  g_paints = 0;
  PumpMessages(kRestSeconds * 1000);
  std::printf("repaints_per_s %.2f\n", static_cast<double>(g_paints) / kRestSeconds);
  ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_formProc));

  for (int i = 0; i < kMemoryTicks; ++i) ::SendMessageA(hwnd, WM_TIMER, kFormTimer, 0);
  PumpMessages(0);
  std::printf("private_kb_after_ticks %lu\n", PrivateKB());
}

}  // namespace
}  // namespace velmora

int main() {
  using namespace velmora;
  return RunWithForm([](TMainForm& form, IPlatform&) {
    WithinEventLoop(form.Window(), [&] { Measure(form); });
  });
}
