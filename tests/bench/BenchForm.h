// What the bench programs share: the native platform made current, the real
// form created on it, and every failure that escapes a handler counted.
#pragma once

#include <algorithm>
#include <cstdio>
#include <exception>
#include <memory>
#include <vector>

#include "platform/PlatformFactory.h"
#include "ui/MainFrm.h"

namespace velmora {

// Both programs measure alike: ticks against bare reads in alternating
// rounds, repaints over a few seconds at rest, memory over many ticks.
constexpr int kRounds = 41;
constexpr int kCallsPerRound = 100;
constexpr int kMemoryTicks = 10000;
constexpr int kRestSeconds = 3;

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Calls `measure(form, platform)` with the real form created, then prints
// "handler_failures N"; returns the exit code (0: no handler failed).
template <typename Measure>
int RunWithForm(Measure&& measure) {
  std::unique_ptr<IPlatform> platform = CreateNativePlatform();
  SetPlatform(platform.get());
  int failures = 0;
  SetExceptionHandler([&](std::exception_ptr) { ++failures; });
  {
    TMainForm form;
    form.FormCreate();
    measure(form, *platform);
    form.Window().Destroy();
  }
  SetExceptionHandler(nullptr);
  SetPlatform(nullptr);
  std::printf("handler_failures %d\n", failures);
  return failures == 0 ? 0 : 1;
}

}  // namespace velmora
