// The platform contract on the null platform.
#include "platform/null/NullPlatform.h"
#include "tests/shared/platform_contract.h"

namespace velmora {
namespace {

// "Another program" and "the user" are the null platform's scripted state;
// time passing is a timer tick per round of pumping.
class NullContractDriver : public ContractDriver {
 public:
  void ShowColorAt(Point p, TColor color) override {
    for (int y = p.y - 20; y < p.y + 20; ++y) {
      for (int x = p.x - 20; x < p.x + 20; ++x) platform.screenPixels[{x, y}] = color;
    }
    platform.pointer = p;
  }
  std::string ClipboardTextSeenElsewhere() override { return platform.clipboardText; }
  void HoldClipboardElsewhere(bool hold) override { platform.clipboardHeldElsewhere = hold; }
  void HoldHotKeyElsewhere(HotKey key, bool hold) override {
    if (hold) {
      platform.hotKeysHeldElsewhere.insert(key);
    } else {
      platform.hotKeysHeldElsewhere.erase(key);
    }
  }
  void PressHotKey(HotKey key) override { platform.PressHotKey(key); }
  void DeliverTimerTick(IWindow&) override { platform.SendTimer(); }
  void WithinEventLoop(IWindow& window, const std::function<void()>& body) override {
    platform.eventLoopBody = [&] {
      body();
      window.Close();
    };
    window.RunEventLoop();
    platform.eventLoopBody = nullptr;
  }
  bool PumpUntil(const std::function<bool()>& done, int milliseconds) override {
    for (int elapsed = 0; elapsed < milliseconds; elapsed += 10) {
      if (done()) return true;
      platform.SendTimer();
    }
    return done();
  }

  NullPlatform platform;
};

INSTANTIATE_TYPED_TEST_SUITE_P(OnNullPlatform, PlatformContract, NullContractDriver);

}  // namespace
}  // namespace velmora
