// The colour core on the real system: the screen pixel under the pointer,
// the clipboard, the hot keys and the system's error texts.
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>

#include "core/Errors.h"
#include "core/VelmoraManager.h"
#include "tests/wine/Win32TestSupport.h"

namespace velmora {
namespace {

// The message of the EVelmoraError `action` raises, or "(nothing raised)".
template <typename Action>
std::string FailureOf(Action action) {
  try {
    action();
  } catch (const EVelmoraError& e) {
    return e.what();
  }
  return "(nothing raised)";
}

// Puts `bytes` on the open clipboard in `format`.
void PutOnClipboard(UINT format, const void* bytes, size_t size) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
  std::memcpy(::GlobalLock(block), bytes, size);
  ::GlobalUnlock(block);
  ASSERT_NE(::SetClipboardData(format, block), nullptr);
}

using Win32Clipboard = Win32Test;

TEST_F(Win32Clipboard, CopyLeavesOnlyTheNewPlainText) {
  QuietWindow owner;
  const UINT privateFormat = ::RegisterClipboardFormatA("Velmora.Test.Private");
  ASSERT_TRUE(::OpenClipboard(owner.Hwnd()));
  ::EmptyClipboard();
  const wchar_t oldText[] = L"older text";
  PutOnClipboard(CF_UNICODETEXT, oldText, sizeof oldText);
  PutOnClipboard(privateFormat, "private", 8);
  ::CloseClipboard();

  TVelmoraManager manager(owner.window.get());
  manager.CopyToClipboard("#4169E1");

  EXPECT_EQ(ClipboardText(), "#4169E1");
  ASSERT_TRUE(::OpenClipboard(nullptr));
  EXPECT_FALSE(::IsClipboardFormatAvailable(privateFormat));
  // What else is there, the system made from the new text.
  const std::set<UINT> synthesized = {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT, CF_LOCALE};
  for (UINT format = ::EnumClipboardFormats(0); format != 0;
       format = ::EnumClipboardFormats(format)) {
    EXPECT_EQ(synthesized.count(format), 1u) << "format " << format;
  }
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    EXPECT_STREQ(static_cast<const wchar_t*>(::GlobalLock(data)), L"#4169E1");
    ::GlobalUnlock(data);
  }
  EXPECT_EQ(::GetClipboardOwner(), owner.Hwnd());
  ::CloseClipboard();
}

TEST_F(Win32Clipboard, HeldByAnotherWindowFailsAndKeepsTheContent) {
  QuietWindow owner;
  TVelmoraManager manager(owner.window.get());
  manager.CopyToClipboard("65, 105, 225");
  {
    ClipboardHolder holder;
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(FailureOf([&] { manager.CopyToClipboard("#000000"); }), "Cannot open clipboard");
  }
  EXPECT_EQ(ClipboardText(), "65, 105, 225");
}

using Win32HotKeys = Win32Test;

TEST_F(Win32HotKeys, OneAtomGivesThreeIdentifiersAndIsFreedAgain) {
  constexpr char kAtomName[] = "VelmoraHotKey";
  constexpr UINT kKeys[] = {'D', 'H', 'S'};
  QuietWindow first;
  QuietWindow second;
  ASSERT_EQ(::GlobalFindAtomA(kAtomName), 0) << "left over from an earlier run";

  TVelmoraManager manager(first.window.get());
  manager.RegisterHotKeys(*first.window);
  const ATOM atom = ::GlobalFindAtomA(kAtomName);
  ASSERT_NE(atom, 0);
  EXPECT_EQ(manager.HotKeyDec(), atom - 0xC000);
  EXPECT_EQ(manager.HotKeyHex(), atom - 0xC001);
  EXPECT_EQ(manager.HotKeySave(), atom - 0xC002);

  // The combinations are taken: nobody else gets them, whatever the identifier.
  for (UINT vk : kKeys) {
    EXPECT_FALSE(::RegisterHotKey(second.Hwnd(), 0x100, MOD_ALT, vk)) << vk;
  }
  // A second copy of the program gets the same identifiers and none of the keys;
  // giving up its share of the atom leaves the first copy's keys alone.
  EXPECT_FALSE(second.window->BindHotKey(HotKey::AltH).registered);
  second.window->UnbindHotKey(manager.HotKeyHex());
  TVelmoraManager secondCopy(second.window.get());
  secondCopy.RegisterHotKeys(*second.window);
  EXPECT_EQ(secondCopy.HotKeyHex(), manager.HotKeyHex());
  secondCopy.UnregisterHotKeys(*second.window);
  EXPECT_FALSE(::RegisterHotKey(second.Hwnd(), 0x100, MOD_ALT, 'H'));
  EXPECT_EQ(::GlobalFindAtomA(kAtomName), atom);

  manager.UnregisterHotKeys(*first.window);
  EXPECT_EQ(::GlobalFindAtomA(kAtomName), 0);
  for (UINT vk : kKeys) {
    EXPECT_TRUE(::RegisterHotKey(second.Hwnd(), 0x100, MOD_ALT, vk)) << vk;
    EXPECT_TRUE(::UnregisterHotKey(second.Hwnd(), 0x100));
  }
}

TEST_F(Win32HotKeys, AWindowGoneWithoutUnregisteringGivesItsAtomBack) {
  {
    QuietWindow window;
    EXPECT_TRUE(window.window->BindHotKey(HotKey::AltS).registered);
    ASSERT_NE(::GlobalFindAtomA("VelmoraHotKey"), 0);
  }
  EXPECT_EQ(::GlobalFindAtomA("VelmoraHotKey"), 0);
  QuietWindow other;
  EXPECT_TRUE(::RegisterHotKey(other.Hwnd(), 0x100, MOD_ALT, 'S'));
  ::UnregisterHotKey(other.Hwnd(), 0x100);
}

using Win32Screen = Win32Test;

TEST_F(Win32Screen, SamplesThePixelUnderThePointerAndCopiesIt) {
  const RECT area{200, 300, 240, 340};
  TestWindow patch(RGB(0x12, 0x34, 0x56), &area);
  ASSERT_TRUE(::SetCursorPos(220, 320));
  QuietWindow owner;
  TVelmoraManager manager(owner.window.get());
  // The window reaches the screen when the system has drawn it.
  PumpUntil([&] { return manager.SampleColor() == 0x00563412; });
  EXPECT_EQ(manager.Color(), 0x00563412);
  const PixelReading reading = Platform().ReadPixelUnderPointer();
  ASSERT_TRUE(reading.ok);
  EXPECT_EQ(reading.position.x, 220);
  EXPECT_EQ(reading.position.y, 320);

  // The hot keys copy that sample.
  manager.RegisterHotKeys(*owner.window);
  manager.HandleHotKey(manager.HotKeyHex());
  EXPECT_EQ(ClipboardText(), "#123456");
  manager.HandleHotKey(manager.HotKeyDec());
  EXPECT_EQ(ClipboardText(), "18, 52, 86");
  manager.UnregisterHotKeys(*owner.window);

  const Rect screen = Platform().PrimaryScreen();
  EXPECT_EQ(screen, (Rect{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}));
  EXPECT_GT(screen.height, 0);
}

// The backend, except that the pointer lies where no monitor is.
class PointerFarAway : public Win32Platform {
 protected:
  bool ReadPointerPosition(POINT& p) override {
    p = POINT{-20000, -20000};
    return true;
  }
};

TEST(Win32ScreenEdge, NoPixelThereGivesTheInvalidMark) {
  PointerFarAway platform;
  const PixelReading reading = platform.ReadPixelUnderPointer();
  ASSERT_TRUE(reading.ok);
  EXPECT_EQ(reading.position.x, -20000);
  EXPECT_EQ(reading.color, kInvalidColor);
}

// The backend, except that the screens' geometry is what the test says,
// counted each time it is asked for.
class ScriptedGeometry : public Win32Platform {
 public:
  DisplayGeometry geometry{Rect{0, 0, 800, 600}, Rect{0, 0, 800, 600}};
  int reads = 0;

 protected:
  DisplayGeometry ReadDisplayGeometry() override {
    ++reads;
    return geometry;
  }
};

// The geometry is kept from one block to the next, and read again when a
// monitor joins where a block is asked for or a display change is heard of:
// pixels off the desktop of the moment are always off-screen black.
TEST_F(Win32Screen, ScreenGeometryIsKeptUntilTheDisplayChanges) {
  const RECT area{780, 0, 820, 40};
  TestWindow patch(RGB(0x12, 0x34, 0x56), &area);
  PumpUntil([&] { return Platform().ReadPixelBlock(Rect{805, 10, 1, 1}).At(0, 0) == 0x00563412; });
  ScriptedGeometry platform;
  for (int i = 0; i < 20; ++i) platform.ReadPixelBlock(Rect{10, 10, 5, 5});
  EXPECT_EQ(platform.PrimaryScreen(), (Rect{0, 0, 800, 600}));
  EXPECT_EQ(platform.reads, 1);

  // A monitor joins on the right: a block there reads the geometry again.
  platform.geometry.desktop = Rect{0, 0, 1024, 600};
  PixelBlock block = platform.ReadPixelBlock(Rect{798, 10, 5, 5});
  EXPECT_EQ(platform.reads, 2);
  EXPECT_EQ(block.At(4, 0), 0x00563412) << "a pixel of the new monitor";

  // The monitor leaves: heard of through a window's WM_DISPLAYCHANGE.
  platform.geometry.desktop = Rect{0, 0, 800, 600};
  platform.ReadPixelBlock(Rect{798, 10, 5, 5});
  EXPECT_EQ(platform.reads, 2);
  QuietWindow window;
  ::SendMessageW(window.Hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
  block = platform.ReadPixelBlock(Rect{798, 10, 5, 5});
  EXPECT_EQ(platform.reads, 3);
  EXPECT_EQ(block.At(4, 0), kOffScreenColor);
  EXPECT_EQ(block.At(1, 0), 0x00563412) << "on the screen: what the screen shows";
}

// The backend, except that reading the pointer fails with a real system
// error: opening a folder as a file is refused with "access denied".
class PointerDenied : public Win32Platform {
 protected:
  bool ReadPointerPosition(POINT&) override {
    const HANDLE h = ::CreateFileA("C:\\windows", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    return false;
  }
};

TEST(Win32Errors, SystemErrorCarriesTheSystemsTextWithoutItsEnding) {
  PointerDenied platform;
  SetPlatform(&platform);
  TVelmoraManager manager;
  std::string message;
  try {
    manager.SampleColor();
  } catch (const EOSError& e) {
    message = e.what();
  }
  SetPlatform(nullptr);

  // The system ends its text with a full stop and a line break, which go;
  // Wine and Windows word it differently.
  const std::string description = SystemErrorText(ERROR_ACCESS_DENIED);
  ASSERT_FALSE(description.empty());
  EXPECT_NE(description.back(), '\n');
  EXPECT_NE(description.back(), '.');
  EXPECT_TRUE(message == "System Error.  Code: 5.\r\nAccess denied" ||
              message == "System Error.  Code: 5.\r\nAccess is denied")
      << message;
  EXPECT_EQ(manager.Color(), 0);
}

// The chooser's and the tooltips' libraries are loaded on first use; what
// cannot be loaded is named in the error the error box shows.
TEST(Win32Libraries, LoadsOnFirstUseAndNamesWhatIsMissing) {
  EXPECT_NE(SystemFunction("comdlg32.dll", "ChooseColorA"), nullptr);
  EXPECT_NE(SystemFunction("comctl32.dll", "InitCommonControlsEx"), nullptr);
  const struct {
    const char* library;
    const char* function;
    const char* said;
  } cases[] = {{"velmora-missing.dll", "ChooseColorA",
                "Cannot load ChooseColorA from velmora-missing.dll: "},
               {"comdlg32.dll", "VelmoraMissing", "Cannot load VelmoraMissing from comdlg32.dll: "}};
  for (const auto& c : cases) {
    try {
      SystemFunction(c.library, c.function);
      ADD_FAILURE() << c.library << " " << c.function << " loaded";
    } catch (const std::runtime_error& e) {
      const std::string said = e.what();
      EXPECT_EQ(said.rfind(c.said, 0), 0u) << said;
      EXPECT_GT(said.size(), std::strlen(c.said)) << "no reason given";
      EXPECT_EQ(said.find_first_of("\r\n"), std::string::npos) << said;
    }
  }
}

}  // namespace
}  // namespace velmora
