#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "config/ColorBoxExport.h"
#include "config/IniFileUtils.h"
#include "core/Errors.h"
#include "core/SampleAverage.h"
#include "form_fixture.h"
#include "ui/ContextMenu.h"
#include "ui/Magnifier.h"

namespace velmora {
namespace {

// A block of `side` x `side` pixels at `corner`, channels given row by row.
PixelBlock Block(Point corner, int side, const std::vector<TColor>& pixels) {
  PixelBlock block;
  block.area = Rect{corner.x, corner.y, side, side};
  block.pixels = pixels;
  return block;
}

TEST(SampleAverage, MeanPerChannelRoundedHalfUpOverOnScreenPixels) {
  const std::vector<Rect> screen = {Rect{0, 0, 1024, 768}};
  // 3 x 3 at (10, 10): red channel 0..8 (mean 4), green 0 but one 255
  // (mean 28.33 -> 28), blue 1 but one 6 (mean 14/9 = 1.56 -> 2).
  std::vector<TColor> nine;
  for (unsigned i = 0; i < 9; ++i) nine.push_back(RGBColor(i, i == 4 ? 255 : 0, i == 8 ? 6 : 1));
  EXPECT_EQ(AverageColor(Block({10, 10}, 3, nine), Point{11, 11}, 1, screen), RGBColor(4, 28, 2));
  // Radius 0: the pixel itself.
  EXPECT_EQ(AverageColor(Block({10, 10}, 3, nine), Point{11, 11}, 0, screen), nine[4]);

  // At the screen's top-left corner only 4 of 9 pixels are on it: the
  // black read off-screen takes no part. 1, 2, 3, 4 -> 2.5 rounds up to 3.
  const std::vector<TColor> corner = {
      0, 0, 0, 0, RGBColor(1, 1, 1), RGBColor(2, 2, 2), 0, RGBColor(3, 3, 3), RGBColor(4, 4, 4)};
  EXPECT_EQ(AverageColor(Block({-1, -1}, 3, corner), Point{0, 0}, 1, screen), RGBColor(3, 3, 3));
  // A monitor left of the primary one counts.
  const std::vector<Rect> two = {Rect{0, 0, 1024, 768}, Rect{-1280, 0, 1280, 1024}};
  EXPECT_EQ(AverageColor(Block({-1, -1}, 3, corner), Point{0, 0}, 1, two), RGBColor(2, 2, 2));
  // Nothing on a monitor: no colour.
  EXPECT_EQ(AverageColor(Block({-9, -9}, 3, corner), Point{-8, -8}, 1, screen), kInvalidColor);
  // A bigger block (the magnifier's): only the square around the centre.
  std::vector<TColor> five(25, RGBColor(200, 200, 200));
  for (int row = 1; row <= 3; ++row) {
    for (int column = 1; column <= 3; ++column) five[row * 5 + column] = RGBColor(10, 20, 30);
  }
  EXPECT_EQ(AverageColor(Block({0, 0}, 5, five), Point{2, 2}, 1, screen), RGBColor(10, 20, 30));
  EXPECT_EQ(AverageColor(Block({0, 0}, 5, five), Point{2, 2}, 2, screen), RGBColor(132, 135, 139));
}

TEST(SampleAverage, TheLoupeFramesTheWholeSquare) {
  PixelBlock block;
  block.area = MagnifierBlock(Point{50, 50});
  block.pixels.assign(kMagnifierCells * kMagnifierCells, kWhite);
  const int zoom = 4;
  const int side = MagnifierSide(zoom);
  const std::vector<TColor> one = RenderMagnifier(block, zoom);
  const std::vector<TColor> three = RenderMagnifier(block, zoom, 1);
  const auto at = [side](const std::vector<TColor>& image, int x, int y) {
    return image[static_cast<std::size_t>(y * side + x)];
  };
  const TColor frame = MagnifierFrameColor(kWhite);
  // The 3 x 3 square spans cells 6 to 8: pixels 24 to 36 with its lines.
  for (int i = 24; i <= 36; ++i) {
    EXPECT_EQ(at(three, i, 24), frame) << i;
    EXPECT_EQ(at(three, i, 36), frame) << i;
    EXPECT_EQ(at(three, 24, i), frame) << i;
    EXPECT_EQ(at(three, 36, i), frame) << i;
  }
  // Inside it the grid and the cells stay; the one-pixel frame is the centre cell's.
  EXPECT_EQ(at(three, 28, 26), kMagnifierGridColor);
  EXPECT_EQ(at(three, 30, 30), kWhite);
  EXPECT_EQ(at(one, 28, 30), frame);
  EXPECT_EQ(at(one, 24, 30), kMagnifierGridColor);
}

// A GIMP palette as GIMP reads it: header, "Name:", optional "Columns:" and
// comments, then "R G B name" lines.
std::vector<std::string> GimpPaletteColors(const std::string& text) {
  std::istringstream in(text);
  std::string line;
  std::vector<std::string> colors;
  EXPECT_TRUE(std::getline(in, line) && line == "GIMP Palette");
  EXPECT_TRUE(std::getline(in, line) && line.rfind("Name: ", 0) == 0);
  const std::regex entry(R"(^\s*(\d{1,3})\s+(\d{1,3})\s+(\d{1,3})\s*(.*)$)");
  while (std::getline(in, line)) {
    if (line.rfind("Columns:", 0) == 0 || line.rfind("#", 0) == 0) continue;
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, entry)) << line;
    if (m.empty()) continue;
    colors.push_back(HexText(RGBColor(std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3]))) + " " +
                     m[4].str());
  }
  return colors;
}

// Every "#rrggbb" of a text, in order.
std::vector<std::string> HexCodes(const std::string& text) {
  const std::regex hex("#[0-9a-f]{6}");
  std::vector<std::string> codes;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), hex); it != std::sregex_iterator();
       ++it) {
    codes.push_back(it->str());
  }
  return codes;
}

const std::vector<TColor> kBox = {RGBColor(65, 105, 225),  RGBColor(0, 0, 0),
                                  RGBColor(255, 255, 255), RGBColor(7, 8, 9),
                                  RGBColor(255, 0, 0),     RGBColor(18, 52, 86)};

TEST(ColorBoxExport, EachFormatReadsBack) {
  EXPECT_EQ(GimpPaletteColors(ExportText(ExportFormat::GimpPalette, kBox)),
            (std::vector<std::string>{"#4169E1 Slot 1", "#000000 Slot 2", "#FFFFFF Slot 3",
                                      "#070809 Slot 4", "#FF0000 Slot 5", "#123456 Slot 6"}));
  const std::vector<std::string> hex = {"#4169e1", "#000000", "#ffffff",
                                        "#070809", "#ff0000", "#123456"};
  const std::string css = ExportText(ExportFormat::Css, kBox);
  EXPECT_EQ(HexCodes(css), hex);
  EXPECT_EQ(css.substr(0, 34), ":root {\n  --velmora-1: #4169e1;\n  ");
  const std::string json = ExportText(ExportFormat::Json, kBox);
  EXPECT_EQ(HexCodes(json), hex);
  EXPECT_EQ(json.substr(0, 30), "{\n  \"colors\": [\n    \"#4169e1\",");
  EXPECT_EQ(json.substr(json.size() - 20), "    \"#123456\"\n  ]\n}\n");

  struct Case {
    const char* file;
    ExportFormat format;
    const char* written;
  };
  const Case cases[] = {{"a.gpl", ExportFormat::GimpPalette, "a.gpl"},
                        {"a.CSS", ExportFormat::Css, "a.CSS"},
                        {"a.json", ExportFormat::Json, "a.json"},
                        {"a", ExportFormat::GimpPalette, "a.gpl"},
                        {"a.txt", ExportFormat::GimpPalette, "a.txt.gpl"},
                        {"css", ExportFormat::GimpPalette, "css.gpl"}};
  for (const Case& c : cases) {
    std::string file = c.file;
    EXPECT_EQ(ExportFormatOf(file), c.format) << c.file;
    EXPECT_EQ(file, c.written);
  }
}

class PickerFeatures : public FormTest {
 protected:
  // The pixels around (500, 500) with values 10, 20, ... 90 in every
  // channel (mean 50) and 255 around them.
  void PaintSquare() {
    platform.screenFill = kWhite;
    for (int i = 0; i < 9; ++i) {
      const unsigned v = 10u * static_cast<unsigned>(i + 1);
      platform.screenPixels[{499 + i % 3, 499 + i / 3}] = RGBColor(v, v, v);
    }
    platform.pointer = {500, 500};
  }
  std::string Config() { return platform.files.count(kConfig) ? platform.files[kConfig] : ""; }
};

TEST_F(PickerFeatures, ThreeByThreeAverageIsWhatTheStripShowsAndCopiesFromOneRead) {
  PaintSquare();
  platform.SendTimer();
  EXPECT_EQ(form->ColorPanel->Color, RGBColor(50, 50, 50));  // the pixel itself
  const std::vector<MenuItem> menu = RightClickChoosing({kSampleMenuText, SampleMenuText(3)});
  EXPECT_EQ(Texts(Item(menu, kSampleMenuText)->submenu),
            (std::vector<std::string>{"1 pixel", "3 \xC3\x97 3 average", "5 \xC3\x97 5 average"}));
  EXPECT_TRUE(Item(menu, kSampleMenuText)->submenu[0].checked);
  EXPECT_NE(Config().find("Sample=3"), std::string::npos);

  platform.screenPixels[{501, 501}] = RGBColor(91, 90, 90);  // the mean's red: 50.11
  const int reads = platform.pixelReads + platform.blockReads;
  const int blockReads = platform.pointerBlockReads;
  platform.SendTimer();
  EXPECT_EQ(form->ColorPanel->Color, RGBColor(50, 50, 50));
  EXPECT_EQ(platform.pointerBlockReads, blockReads + 1);
  EXPECT_EQ(platform.pixelReads + platform.blockReads, reads);
  platform.PressHotKey(HotKey::AltH);
  EXPECT_EQ(platform.clipboardText, "#323232");
  PressAltS();
  EXPECT_EQ(form->SlotColor(0), RGBColor(50, 50, 50));
  EXPECT_EQ(form->lblHexColorValue->Caption, "#323232");

  // With the magnifier on, one read of its block holds the square; its frame goes around it.
  RightClickChoosing({kMagnifierMenuText});
  ASSERT_NE(form->Magnifier(), nullptr);
  EXPECT_EQ(form->Magnifier()->FrameRadius(), 1);
  platform.SendTimer();
  EXPECT_EQ(form->ColorPanel->Color, RGBColor(50, 50, 50));
  EXPECT_EQ(platform.pointerBlockReads, blockReads + 2);
  EXPECT_EQ(platform.pixelReads + platform.blockReads, reads);

  // 5 x 5: the ring of white joins in. (450 + 16 * 255) / 25 = 181.2
  RightClickChoosing({kSampleMenuText, SampleMenuText(5)});
  EXPECT_EQ(form->Magnifier()->FrameRadius(), 2);
  platform.SendTimer();
  EXPECT_EQ(form->ColorPanel->Color, RGBColor(181, 181, 181));
}

TEST_F(PickerFeatures, OffScreenPixelsTakeNoPartInTheAverage) {
  platform.files[kConfig] = "[Options]\r\nSample=3\r\n";
  form->FormCreate();  // reads the options again
  platform.screenFill = RGBColor(100, 100, 100);
  platform.pointer = {0, 0};
  platform.SendTimer();
  EXPECT_EQ(form->ColorPanel->Color, RGBColor(100, 100, 100));
  EXPECT_EQ(form->Options().Sample, 3);
}

TEST_F(PickerFeatures, ZoomIsChosenInTheMenuAndRemembered) {
  std::vector<MenuItem> menu = RightClickChoosing({kZoomMenuText, ZoomMenuText(16)});
  EXPECT_EQ(Texts(Item(menu, kZoomMenuText)->submenu),
            (std::vector<std::string>{"2 \xC3\x97", "4 \xC3\x97", "8 \xC3\x97", "16 \xC3\x97"}));
  EXPECT_TRUE(Item(menu, kZoomMenuText)->submenu[2].checked);
  EXPECT_EQ(form->Options().Zoom, 16);
  EXPECT_NE(Config().find("Zoom=16"), std::string::npos);
  RightClickChoosing({kMagnifierMenuText});
  EXPECT_EQ(platform.loupeSide, MagnifierSide(16));
  menu = RightClickChoosing({kZoomMenuText, ZoomMenuText(2)});
  EXPECT_TRUE(Item(menu, kZoomMenuText)->submenu[3].checked);
  EXPECT_EQ(platform.loupeSide, MagnifierSide(2));
  EXPECT_NE(Config().find("Zoom=2"), std::string::npos);
}

TEST_F(PickerFeatures, OpeningTheMenuWritesNothing) {
  for (const char* submenu : {kCopyAsMenuText, kSampleMenuText, kZoomMenuText, kHotKeysMenuText}) {
    RightClickChoosing({submenu});
    RightClickChoosing({});
  }
  EXPECT_EQ(platform.files.count(kConfig), 0u);
  EXPECT_EQ(platform.fileWrites, 0);
}

TEST_F(PickerFeatures, TheSwatchTooltipNamesTheColourOnceTurnedOn) {
  // Off until the user turns it on: the swatch has no tooltip of its own.
  TickOver(RGBColor(65, 105, 225));
  EXPECT_EQ(platform.tooltips.count(form->ColorPanel->Id), 0u);
  RightClickChoosing({kColorNameMenuText});
  EXPECT_NE(platform.files.at(kConfig).find("ColorName=1"), std::string::npos);
  TickOver(RGBColor(65, 105, 225));
  EXPECT_EQ(platform.tooltips.at(form->ColorPanel->Id).second, "royalblue");
  EXPECT_EQ(platform.tooltips.at(form->ColorPanel->Id).first, form->ColorPanel->Bounds);
  TickOver(RGBColor(66, 105, 225));
  EXPECT_EQ(platform.tooltips.at(form->ColorPanel->Id).second, "\xE2\x89\x88 royalblue");
  RightClickChoosing({kColorNameMenuText});
  TickOver(RGBColor(65, 105, 225));
  EXPECT_EQ(platform.tooltips.at(form->ColorPanel->Id).second, "");
}

TEST_F(PickerFeatures, ContrastShowsTheNewestSlotAgainstTheOthers) {
  TickOver(RGBColor(0x77, 0x77, 0x77));
  PressAltS();
  TickOver(kWhite);
  PressAltS();
  RightClickChoosing({kContrastMenuText});
  ASSERT_EQ(platform.infoBoxes.size(), 1u);
  const std::string& text = platform.infoBoxes[0].text;
  EXPECT_EQ(text.substr(0, text.find("\n\nSlot 3")),
            "Slot 1 #FFFFFF against:\n\nSlot 2 #777777: 4.48:1\n  normal text: AA fail, AAA "
            "fail\n  large text: AA pass, AAA fail");
  EXPECT_NE(text.find("Slot 6 #FFFFFF: 1.00:1"), std::string::npos);
  EXPECT_TRUE(platform.errorBoxes.empty());
}

TEST_F(PickerFeatures, ExportWritesTheFileTheDialogNames) {
  const std::string folder = "C:\\Users\\Public\\Documents\\Palettes";
  platform.folders.insert(folder);
  TickOver(RGBColor(65, 105, 225));
  PressAltS();

  // Cancelled: nothing written.
  RightClickChoosing({kExportMenuText});
  EXPECT_EQ(platform.saveDialogsShown, (std::vector<std::string>{kExportSuggestedName}));
  EXPECT_EQ(platform.filesReplaced, 0);

  platform.saveDialogAnswer = folder + "\\box.css";
  RightClickChoosing({kExportMenuText});
  EXPECT_EQ(
      HexCodes(platform.files.at(folder + "\\box.css")),
      (std::vector<std::string>{"#4169e1", "#ffffff", "#ffffff", "#ffffff", "#ffffff", "#ffffff"}));
  platform.saveDialogAnswer = folder + "\\box";
  RightClickChoosing({kExportMenuText});
  EXPECT_EQ(GimpPaletteColors(platform.files.at(folder + "\\box.gpl"))[0], "#4169E1 Slot 1");
  EXPECT_TRUE(platform.errorBoxes.empty());

  // A file that cannot be written: one error box, the old file as it was.
  platform.readOnly.insert(folder + "\\box.css");
  const std::string before = platform.files.at(folder + "\\box.css");
  PressAltS();
  platform.saveDialogAnswer = folder + "\\box.css";
  RightClickChoosing({kExportMenuText});
  ASSERT_EQ(platform.errorBoxes.size(), 1u);
  EXPECT_EQ(platform.errorBoxes[0].text, "Unable to write to " + folder + "\\box.css.");
  EXPECT_EQ(platform.files.at(folder + "\\box.css"), before);
  // A folder that is gone: the same, and no file.
  platform.saveDialogAnswer = folder + "\\gone\\box.json";
  RightClickChoosing({kExportMenuText});
  EXPECT_EQ(platform.errorBoxes.size(), 2u);
  EXPECT_EQ(platform.files.count(folder + "\\gone\\box.json"), 0u);
  EXPECT_EQ(platform.files.count(kConfig), 0u);  // the settings are untouched
}

}  // namespace
}  // namespace velmora
