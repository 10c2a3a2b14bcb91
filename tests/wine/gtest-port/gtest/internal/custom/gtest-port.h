// GoogleTest's hook for platform adjustments, used instead of its empty
// default when it is built for the Windows tests.
//
// NOTE: mingw-w64's win32 thread model (GCC 12) has no std::mutex or
// std::condition_variable, which GoogleTest's Notification is built on. The
// class serves only GoogleTest's tests of its own threads, which we never
// run; a plain flag stands in for it.
#pragma once

#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;
  void Notify() { notified_ = true; }
  void WaitForNotification() {
    while (!notified_) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
