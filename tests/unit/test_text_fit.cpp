#include <gtest/gtest.h>

#include "core/VelmoraManager.h"
#include "platform/null/NullPlatform.h"
#include "tests/shared/text_fit.h"
#include "ui/MainFrm.h"

namespace velmora {
namespace {

// A canvas whose characters differ in width, as a real font's do: 'D' is the
// widest hex digit and '8' the widest decimal one, and the window's base font
// (the form's) is wider than the strip's.
class UnevenCanvas : public NullCanvas {
 public:
  UnevenCanvas() : NullCanvas(1, 1) {}
  Size MeasureText(const std::string& text, FontRole font) override {
    int width = 0;
    for (char ch : text) {
      width += ch == 'D' ? 9 : ch == '8' ? 8 : font == FontRole::Form ? 6 : 5;
    }
    return Size{width, 13};
  }
};

struct FitCase {
  const char* control;
  const char* widest;  // the text that needs the widest box, as drawn
};

class TextFit : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TMainForm>();
    form->FormCreate();
    form->Window().RunEventLoop();
  }
  void TearDown() override {
    form->Window().Destroy();
    form.reset();
  }
  std::vector<MeasuredText> MisfitsOf(const std::string& control) {
    std::vector<MeasuredText> found;
    for (MeasuredText& m : TextsThatDoNotFit(*form, canvas)) {
      if (m.control == control) found.push_back(m);
    }
    return found;
  }

  NullPlatform platform;
  std::unique_ptr<TMainForm> form;
  UnevenCanvas canvas;
};

class TextFitOfControl : public TextFit, public ::testing::WithParamInterface<FitCase> {};

// A box exactly as wide as the widest text a control can show passes; one
// pixel narrower, that text and only it is reported.
TEST_P(TextFitOfControl, ABoxOnePixelNarrowerThanItsWidestTextIsReported) {
  TControl* c = form->Find(GetParam().control);
  ASSERT_NE(c, nullptr);
  const FontRole font = c->ParentFont ? form->BaseFont() : c->Font;
  const int widest = canvas.MeasureText(GetParam().widest, font).width;

  c->Bounds.width = widest;
  EXPECT_EQ(Describe(MisfitsOf(c->Name)), "");

  c->Bounds.width = widest - 1;
  const std::vector<MeasuredText> misfits = MisfitsOf(c->Name);
  ASSERT_EQ(misfits.size(), 1u) << Describe(misfits);
  EXPECT_EQ(misfits[0].text.substr(0, misfits[0].text.find_last_not_of(' ') + 1),
            GetParam().widest);
  EXPECT_EQ(misfits[0].size.width, widest);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, TextFitOfControl,
    ::testing::Values(FitCase{"lblHexColorValue", "#DDDDDD"}, FitCase{"lblR", "188"},
                      FitCase{"lblG", "188"}, FitCase{"lblB", "188"},
                      FitCase{"RLabel", "R:"},  // its trailing space draws nothing
                      FitCase{"lblHelpCaption", "Welcome to Velmora HotKeys Help!"},
                      FitCase{"PressHexLabel",
                              "Press Alt+H to Copy Hex Color To Clipboard (#RRGGBB)"},
                      FitCase{"lblHTMLColorChart", "HTML Color Code Chart"},
                      FitCase{"ColorBox1", "Click"}, FitCase{"btnHelp", ">>"}),
    // Named by control, so the test names stay the same from run to run.
    [](const ::testing::TestParamInfo<FitCase>& info) { return std::string(info.param.control); });

TEST_F(TextFit, ATextTallerThanItsBoxIsReported) {
  form->lblExit->Bounds.height = 12;
  const std::vector<MeasuredText> misfits = MisfitsOf("lblExit");
  ASSERT_EQ(misfits.size(), 1u) << Describe(misfits);
  EXPECT_EQ(misfits[0].size.height, 13);
}

}  // namespace
}  // namespace velmora
