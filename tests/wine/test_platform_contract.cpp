// The platform contract on the Win32 backend, under Wine.
#include <map>
#include <memory>

#include "tests/shared/platform_contract.h"
#include "tests/wine/Win32TestSupport.h"

namespace velmora {
namespace {

UINT VirtualKeyOf(HotKey key) {
  switch (key) {
    case HotKey::AltD:
      return 'D';
    case HotKey::AltH:
      return 'H';
    case HotKey::AltZ:
      return 'Z';
    case HotKey::AltC:
      return 'C';
    case HotKey::AltS:
      break;
  }
  return 'S';
}

// "Another program" is a window or a thread of the test's own: the system
// treats them as it treats any other program's. Keys are pressed through the
// system's input queue. NOTE: under Wine a hot key fires only while a Wine
// window has the keyboard focus; the window of WithinEventLoop is shown and
// activated as the program's own is, so it has.
class Win32ContractDriver : public ContractDriver {
 public:
  Win32ContractDriver() : platform_(CreateNativePlatform()) { SetPlatform(platform_.get()); }
  ~Win32ContractDriver() override {
    patch_.reset();
    holder_.reset();
    SetPlatform(nullptr);
  }

  void ShowColorAt(Point p, TColor color) override {
    const RECT area{p.x - 20, p.y - 20, p.x + 20, p.y + 20};
    patch_.reset();
    patch_ = std::make_unique<TestWindow>(static_cast<COLORREF>(color), &area);
    ::SetCursorPos(p.x, p.y);
  }
  std::string ClipboardTextSeenElsewhere() override { return ClipboardText(); }
  void HoldClipboardElsewhere(bool hold) override {
    holder_.reset();
    if (hold) {
      holder_ = std::make_unique<ClipboardHolder>();
      ASSERT_TRUE(holder_->Holding());
    }
  }
  void HoldHotKeyElsewhere(HotKey key, bool hold) override {
    constexpr int kOtherProgramsId = 0x3FFF;
    const UINT vk = VirtualKeyOf(key);
    if (hold) {
      ASSERT_TRUE(::RegisterHotKey(keyHolder_, kOtherProgramsId + static_cast<int>(vk), MOD_ALT, vk));
    } else {
      ::UnregisterHotKey(keyHolder_, kOtherProgramsId + static_cast<int>(vk));
    }
  }
  void PressHotKey(HotKey key) override { PressAltWith(static_cast<char>(VirtualKeyOf(key))); }
  void DeliverTimerTick(IWindow& window) override {
    ::SendMessageA(HwndOf(&window), WM_TIMER, 1, 0);
  }
  void WithinEventLoop(IWindow& window, const std::function<void()>& body) override {
    velmora::WithinEventLoop(window, body);
  }
  bool PumpUntil(const std::function<bool()>& done, int milliseconds) override {
    return velmora::PumpUntil(done, milliseconds);
  }

 private:
  std::unique_ptr<IPlatform> platform_;
  std::unique_ptr<TestWindow> patch_;
  std::unique_ptr<ClipboardHolder> holder_;
  TestWindow keyHolder_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(OnWin32, PlatformContract, Win32ContractDriver);

}  // namespace
}  // namespace velmora
