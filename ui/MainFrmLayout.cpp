// The main window's controls as laid out: one row per control, or per grid
// of like controls, and the form's construction of its controls from them.
#include <string>

#include "ui/MainFrm.h"

namespace velmora {

namespace {

constexpr int kTop = 34;                  // the lower area starts below the strip
constexpr TColor kHelpBackground = 0;     // black
constexpr TColor kHelpText = 0x0000FF00;  // lime

// The web colour chart, one hue per row, #RRGGBB.
// clang-format off
constexpr std::uint32_t kChart[kChartSize][kChartSize] = {
    0x610B0B, 0x8A0808, 0xB40404, 0xDF0101, 0xFF0000, 0xFE2E2E, 0xFA5858, 0xF78181, 0xF5A9A9, 0xF6CECE, 0xF8E0E0, 0xFBEFEF,
    0x61380B, 0x8A4B08, 0xB45F04, 0xDF7401, 0xFF8000, 0xFE9A2E, 0xFAAC58, 0xF7BE81, 0xF5D0A9, 0xF6E3CE, 0xF8ECE0, 0xFBF5EF,
    0x5E610B, 0x868A08, 0xAEB404, 0xD7DF01, 0xFFFF00, 0xF7FE2E, 0xF4FA58, 0xF3F781, 0xF2F5A9, 0xF5F6CE, 0xF7F8E0, 0xFBFBEF,
    0x38610B, 0x4B8A08, 0x5FB404, 0x74DF00, 0x80FF00, 0x9AFE2E, 0xACFA58, 0xBEF781, 0xD0F5A9, 0xE3F6CE, 0xECF8E0, 0xF5FBEF,
    0x0B610B, 0x088A08, 0x04B404, 0x01DF01, 0x00FF00, 0x2EFE2E, 0x58FA58, 0x81F781, 0xA9F5A9, 0xCEF6CE, 0xE0F8E0, 0xEFFBEF,
    0x0B6138, 0x088A4B, 0x04B45F, 0x01DF74, 0x00FF80, 0x2EFE9A, 0x58FAAC, 0x81F7BE, 0xA9F5D0, 0xCEF6E3, 0xE0F8EC, 0xEFFBF5,
    0x0B615E, 0x088A85, 0x04B4AE, 0x01DFD7, 0x00FFFF, 0x2EFEF7, 0x58FAF4, 0x81F7F3, 0xA9F5F2, 0xCEF6F5, 0xE0F8F7, 0xEFFBFB,
    0x0B3861, 0x084B8A, 0x045FB4, 0x0174DF, 0x0080FF, 0x2E9AFE, 0x58ACFA, 0x81BEF7, 0xA9D0F5, 0xCEE3F6, 0xE0ECF8, 0xEFF5FB,
    0x0B0B61, 0x08088A, 0x0404B4, 0x0101DF, 0x0000FF, 0x2E2EFE, 0x5858FA, 0x8181F7, 0xA9A9F5, 0xCECEF6, 0xE0E0F8, 0xEFEFFB,
    0x380B61, 0x4B088A, 0x5F04B4, 0x7401DF, 0x8000FF, 0x9A2EFE, 0xAC58FA, 0xBE81F7, 0xD0A9F5, 0xE3CEF6, 0xECE0F8, 0xF5EFFB,
    0x610B5E, 0x8A0886, 0xB404AE, 0xDF01D7, 0xFF00FF, 0xFE2EF7, 0xFA58F4, 0xF781F3, 0xF5A9F2, 0xF6CEF5, 0xF8E0F7, 0xFBEFFB,
    0x610B38, 0x8A084B, 0xB4045F, 0xDF0174, 0xFF0080, 0xFE2E9A, 0xFA58AC, 0xF781BE, 0xF5A9D0, 0xF6CEE3, 0xF8E0EC, 0xFBEFF5
};
// clang-format on

// A control's switches.
enum ControlFlags : unsigned {
  kBorder = 1,       // panels: a flat one-pixel frame
  kHidden = 2,       // starts hidden
  kDragsWindow = 4,  // a press here moves the window
  kCentered = 8,     // the caption is centred
  kSystemText = 16,  // the caption is in the system's window-text colour
};

using Form = TMainForm;
using FormControl = TControl* Form::*;
using FormHandler = void (Form::*)();

// One control as laid out. Its Id is its place among all the rows, counted
// from 1: kControls, then the colour box, then the chart.
struct ControlRow {
  const char* Name;
  ControlKind Kind;
  Rect Bounds;  // in client pixels of the window
  const char* Caption;
  FontRole Font;  // Form: the window's base font
  TColor Color;      // panels: the fill colour
  TColor FontColor;  // unless kSystemText
  PointerShape Pointer;
  unsigned Flags;
  FormControl Parent;           // hidden with it; nullptr: the window itself
  FormControl Field = nullptr;  // where the form keeps it, if it does
  FormHandler OnClick = nullptr;
  const char* Hint = nullptr;  // its tooltip from the start; FormShow gives the others theirs
};

constexpr ControlKind kLabel = ControlKind::Label;
constexpr ControlKind kPanel = ControlKind::Panel;
constexpr ControlKind kButton = ControlKind::FlatButton;
constexpr FontRole kStripFont = FontRole::Strip;
constexpr FontRole kLinkFont = FontRole::Link;
constexpr FontRole kFormFont = FontRole::Form;
constexpr PointerShape kArrow = PointerShape::Arrow;
constexpr PointerShape kMove = PointerShape::Move;
constexpr PointerShape kHand = PointerShape::Hand;

// clang-format off
constexpr ControlRow kControls[] = {
    // name, kind, bounds, caption,
    //     font, colour, font colour, pointer, flags, parent, kept in, on click, hint

    // Labels are 14 high, not 13: at 150 % the fonts made for the larger
    // DPI are a pixel taller than 13 scaled. (Texts draw from the top, so at
    // 100 % nothing moves.)

    // The strip: the colour under the pointer, its channels and hex code, the
    // links and the button that opens the lower area.
    {"ColorPanel", kPanel, {1, 1, 28, 30}, "",
        kStripFont, 0, kWhite, kArrow, kBorder, nullptr, &Form::ColorPanel},
    {"RLabel", kLabel, {30, 0, 11, 14}, "R: ",
        kStripFont, kWhite, kWhite, kMove, kDragsWindow, nullptr, &Form::RLabel},
    {"lblR", kLabel, {48, 0, 25, 14}, "0",
        kStripFont, kWhite, kWhite, kMove, kDragsWindow, nullptr, &Form::lblR},
    // 13 wide, not 11: "G:" is 12 pixels at 150 %.
    {"GLabel", kLabel, {75, 0, 13, 14}, "G: ",
        kStripFont, kWhite, kWhite, kMove, kDragsWindow, nullptr, &Form::GLabel},
    {"lblG", kLabel, {93, 0, 25, 14}, "0",
        kStripFont, kWhite, kWhite, kMove, kDragsWindow, nullptr, &Form::lblG},
    {"BLabel", kLabel, {122, 0, 11, 14}, "B: ",
        kStripFont, kWhite, kWhite, kMove, kDragsWindow, nullptr, &Form::BLabel},
    {"lblB", kLabel, {140, 0, 25, 14}, "0",
        kStripFont, kWhite, kWhite, kMove, kDragsWindow, nullptr, &Form::lblB},
    {"HexLabel", kLabel, {175, 0, 32, 14}, "Hex: ",
        kStripFont, kWhite, kWhite, kMove, kDragsWindow, nullptr, &Form::HexLabel},
    // 55 wide, not 49: "#DDDDDD" in MS Sans Serif 8 pt is 55 pixels, and a
    // code that loses its last digit is a wrong code.
    {"lblHexColorValue", kLabel, {208, 0, 55, 17}, "000000",
        kStripFont, kWhite, kWhite, kMove, kDragsWindow, nullptr, &Form::lblHexColorValue},
    {"lblWebsite", kLabel, {40, 16, 46, 14}, "Website",
        kLinkFont, kWhite, kWhite, kHand, 0, nullptr, &Form::lblWebsite, &Form::lblWebsiteClick},
    {"lblEmail", kLabel, {96, 16, 34, 14}, "E-mail",
        kLinkFont, kWhite, kWhite, kHand, 0, nullptr, &Form::lblEmail, &Form::lblEmailClick},
    {"lblExit", kLabel, {200, 16, 22, 14}, "Exit",
        kLinkFont, kWhite, kWhite, kHand, 0, nullptr, &Form::lblExit, &Form::lblExitClick},
    {"btnHelp", kButton, {240, 16, 17, 17}, ">>",
        kStripFont, kWhite, kWhite, kArrow, kCentered, nullptr, &Form::btnHelp, &Form::btnHelpClick,
        kOpenColorBoxHint},

    // The lower area: the hot-key help above the colour box and the chart.
    {"BottomPanel", kPanel, {0, kTop, 272, 312}, "",
        kStripFont, kWhite, kWhite, kArrow, 0, nullptr, &Form::BottomPanel},
    {"HelpPanel", kPanel, {0, kTop, 272, 66}, "",
        kStripFont, kHelpBackground, kWhite, kArrow, kHidden, &Form::BottomPanel, &Form::HelpPanel},
    {"lblHelpCaption", kLabel, {0, kTop + 2, 273, 14}, "",
        kStripFont, kWhite, kHelpText, kArrow, 0, &Form::HelpPanel, &Form::lblHelpCaption},
    {"PressDecLabel", kLabel, {0, kTop + 17, 273, 14},
        "Press Alt+D to Copy Dec Color To Clipboard (R, G, B)",
        kStripFont, kWhite, kHelpText, kArrow, 0, &Form::HelpPanel},
    {"PressHexLabel", kLabel, {0, kTop + 32, 273, 14},
        "Press Alt+H to Copy Hex Color To Clipboard (#RRGGBB)",
        kStripFont, kWhite, kHelpText, kArrow, 0, &Form::HelpPanel},
    {"lblPressSave", kLabel, {0, kTop + 47, 273, 14}, "Press Alt+S to Save Color to Color Box",
        kStripFont, kWhite, kHelpText, kArrow, 0, &Form::HelpPanel},
    // 48 wide, not 45: "Color Box" is 47 pixels at 125 %.
    {"lblColorBox", kLabel, {2, kTop + 69, 48, 14}, "Color Box",
        kStripFont, kWhite, kWhite, kArrow, kSystemText, &Form::BottomPanel},
    // 121 wide, not 113: the heading is drawn in Tahoma once the window is
    // shown, which is wider than the MS Sans Serif it was laid out in.
    {"lblHTMLColorChart", kLabel, {102, kTop + 69, 121, 14}, "HTML Color Code Chart",
        kFormFont, kWhite, kWhite, kArrow, kSystemText, &Form::BottomPanel},
};
// clang-format on

// Like controls in a grid: the first laid out as `Cell`, the others `Step`
// pixels apart, row by row, each named after it with its number from 1.
struct GridRow {
  ControlRow Cell;  // its caption shows on the first control only
  int Columns;
  int Rows;
  int Step;
  const std::uint32_t* Colors;  // one fill per control, #RRGGBB; nullptr: the cell's
};

// clang-format off
constexpr GridRow kColorBoxGrid = {
    {"ColorBox", kPanel, {4, kTop + 84, 36, 36}, "Click",
        kFormFont, kWhite, kWhite, kHand, kBorder | kCentered | kSystemText, &Form::BottomPanel},
    1, kColorBoxSlots, 38, nullptr};

constexpr GridRow kChartGrid = {
    {"Panel", kPanel, {44, kTop + 84, 18, 18}, "",
        kStripFont, kWhite, kWhite, kArrow, 0, &Form::BottomPanel, nullptr, &Form::PanelClick},
    kChartSize, kChartSize, 19, &kChart[0][0]};
// clang-format on

TColor FromRGB(std::uint32_t rgb) { return RGBColor(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// The control a row describes, its click calling `form`'s handler.
TControl MakeControl(Form& form, const ControlRow& row) {
  TControl c;
  c.Name = row.Name;
  c.Kind = row.Kind;
  c.Bounds = row.Bounds;
  c.Parent = row.Parent != nullptr ? form.*row.Parent : nullptr;
  c.Visible = (row.Flags & kHidden) == 0;
  c.Color = row.Color;
  c.Border = (row.Flags & kBorder) != 0;
  c.Caption = row.Caption;
  c.ParentFont = row.Font == FontRole::Form;
  if (!c.ParentFont) c.Font = row.Font;
  c.FontColor = row.FontColor;
  c.SystemFontColor = (row.Flags & kSystemText) != 0;
  c.Align = (row.Flags & kCentered) != 0 ? TextAlign::Center : TextAlign::Left;
  c.Pointer = row.Pointer;
  if (row.Hint != nullptr) c.Hint = row.Hint;
  c.DragsWindow = (row.Flags & kDragsWindow) != 0;
  if (row.OnClick != nullptr) {
    c.OnClick = [&form, handler = row.OnClick](TControl&) { (form.*handler)(); };
  }
  return c;
}

// Control `index` (from 0) of a grid.
TControl MakeCell(Form& form, const GridRow& grid, int index) {
  TControl c = MakeControl(form, grid.Cell);
  c.Name += std::to_string(index + 1);
  c.Bounds =
      c.Bounds.Offset(grid.Step * (index % grid.Columns), grid.Step * (index / grid.Columns));
  if (index > 0) c.Caption.clear();
  if (grid.Colors != nullptr) c.Color = FromRGB(grid.Colors[index]);
  return c;
}

}  // namespace

std::uint32_t ChartRGB(int column, int row) { return kChart[row][column]; }

TControl& TMainForm::Add(TControl control) {
  control.Id = static_cast<int>(FControls.size()) + 1;
  FControls.push_back(std::move(control));
  return FControls.back();
}

static_assert(kColorBoxGrid.Columns * kColorBoxGrid.Rows == kColorBoxSlots);
static_assert(kChartGrid.Columns * kChartGrid.Rows == kChartSize * kChartSize);

void TMainForm::BuildControls() {
  for (const ControlRow& row : kControls) {
    TControl& c = Add(MakeControl(*this, row));
    if (row.Field != nullptr) this->*row.Field = &c;
  }
  for (int i = 0; i < kColorBoxGrid.Columns * kColorBoxGrid.Rows; ++i) {
    ColorBoxes[i] = &Add(MakeCell(*this, kColorBoxGrid, i));
    ColorBoxes[i]->OnClick = [this](TControl& sender) { ColorBox1Click(&sender); };
  }
  for (int i = 0; i < kChartGrid.Columns * kChartGrid.Rows; ++i) {
    ChartPanels.push_back(&Add(MakeCell(*this, kChartGrid, i)));
  }
}

}  // namespace velmora
