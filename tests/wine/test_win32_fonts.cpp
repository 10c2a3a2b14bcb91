// The fonts the main window asks for, what the system gives for them, and
// whether the window's texts fit their controls in those fonts.
//
// NOTE: under Wine these hold in a prefix that has Wine's own fonts
// (scripts/wine-fonts.sh, run by tests/wine/session.sh); without them Wine
// answers every face with the nearest system font (DejaVu Sans), which is
// wider.
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Win32Canvas.h"
#include "tests/shared/text_fit.h"
#include "tests/wine/Win32TestSupport.h"
#include "ui/FormUtils.h"
#include "ui/MainFrm.h"

namespace velmora {
namespace {

class Win32Fonts : public Win32Test {};

// The strip's font, its links' and the window's base font once shown, with
// the face each is drawn in.
std::vector<std::pair<FontRole, std::string>> FontsOfTheWindow() {
  FontRole base = FontRole::Strip;
  ApplyDefaultFont(base);
  return {{FontRole::Strip, "MS Sans Serif"}, {FontRole::Link, "MS Sans Serif"}, {base, "Tahoma"}};
}

TEST_F(Win32Fonts, EachFaceTheWindowAsksForIsTheFaceItGets) {
  ScopedGetDC screen(nullptr);
  FontCache fonts;
  for (const auto& [font, expected] : FontsOfTheWindow()) {
    ScopedSelectObject selected(screen, fonts.Get(font, kLogicalDpi));
    char face[LF_FACESIZE] = {};
    ::GetTextFaceA(screen, LF_FACESIZE, face);
    EXPECT_EQ(std::string(face), expected);
  }
}

// MeasureText never measures a text narrower than DrawText inks it: the last
// inked column of a text drawn from x = 0 lies inside its measured width.
// NOTE: Wine draws its Tahoma narrower than GDI measures it (at 8 pt the
// chart heading measures 121 pixels and inks 111), so the measure is not
// asked to be tight.
TEST_F(Win32Fonts, MeasureTextCoversWhatDrawTextInks) {
  ScopedGetDC screen(nullptr);
  ScopedMemoryDC dc(screen);
  ScopedGdiObj<HBITMAP> bitmap(::CreateCompatibleBitmap(screen, 400, 20));
  ScopedSelectObject selectedBitmap(dc, bitmap.Get());
  FontCache fonts;
  Win32Canvas canvas(dc, DpiScale{kLogicalDpi}, fonts);
  for (const auto& [font, face] : FontsOfTheWindow()) {
    for (const std::string text : {"#000000", "HTML Color Code Chart", "Exit"}) {
      canvas.FillRect(Rect{0, 0, 400, 20}, kWhite);
      canvas.PaintText(Rect{0, 0, 400, 20}, text, font, 0, TextAlign::Left);
      int lastInked = -1;
      for (int x = 0; x < 400; ++x) {
        for (int y = 0; y < 20; ++y) {
          if ((::GetPixel(dc, x, y) & 0xFFFFFF) != 0xFFFFFF) lastInked = x;
        }
      }
      const Size size = canvas.MeasureText(text, font);
      EXPECT_GE(lastInked, 0) << face << " " << text;
      EXPECT_LT(lastInked, size.width) << face << " " << text;
      EXPECT_EQ(size.height, 13) << face << " " << text;
    }
  }
}

// At the window's DPI, and at 125 %, 150 % and 200 %, where the fonts are
// made for the larger DPI and need not widen in step with the boxes.
TEST_F(Win32Fonts, EveryTextTheWindowCanShowFitsItsControl) {
  TMainForm form;
  form.FormCreate();
  std::vector<std::pair<int, std::string>> misfits;
  WithinEventLoop(form.Window(), [&] {
    const HWND hwnd = HwndOf(&form.Window());
    ScopedGetDC dc(hwnd);
    FontCache fonts;
    for (int dpi : {WindowDpi(hwnd), 120, 144, 192}) {
      Win32Canvas canvas(dc, DpiScale{dpi}, fonts);
      misfits.emplace_back(dpi, Describe(TextsThatDoNotFit(form, canvas)));
    }
  });
  for (const auto& [dpi, texts] : misfits) EXPECT_EQ(texts, "") << "at " << dpi << " DPI";
}

}  // namespace
}  // namespace velmora
