#include "ui/MainFrm.h"

#include "platform/Version.h"
#include "config/ColorBoxStore.h"
#include "core/Errors.h"
#include "core/VelmoraManager.h"
#include "ui/ControlPainters.h"
#include "ui/FormUtils.h"

namespace velmora {

namespace {

constexpr TColor kHelpBackground = 0;     // black
constexpr TColor kHelpText = 0x0000FF00;  // lime

// The web colour chart, one hue per row, #RRGGBB.
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

FontSpec StripFont(bool underline = false) {
  FontSpec font;  // "MS Sans Serif", 8 pt, default character set
  font.underline = underline;
  return font;
}

TColor FromRGB(std::uint32_t rgb) { return RGBColor(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }

}  // namespace

std::uint32_t ChartRGB(int column, int row) { return kChart[row][column]; }

TMainForm::TMainForm() {
  BuildStrip();
  BuildBottomPanel();
  WindowDesc desc;
  desc.caption = "Velmora";
  desc.width = kFormWidth;
  desc.height = kExpandedHeight;
  desc.background = kBackgroundBlue;
  desc.topmost = true;
  FWindow = Platform().CreateMainWindow(desc, kApplicationTitle, *this);
}

TMainForm::~TMainForm() {
  // A window that was never destroyed normally still gives up its manager.
  if (!FDestroyed) ManagerInstance.reset();
}

TControl& TMainForm::Add(TControl control) {
  control.Id = static_cast<int>(FControls.size()) + 1;
  FControls.push_back(std::move(control));
  return FControls.back();
}

void TMainForm::BuildStrip() {
  TControl swatch;
  swatch.Name = "ColorPanel";
  swatch.Kind = ControlKind::Panel;
  swatch.Bounds = {1, 1, 28, 30};
  swatch.Color = 0;
  swatch.Border = true;
  ColorPanel = &Add(swatch);

  auto label = [this](const char* name, Rect bounds, const char* text) {
    TControl c;
    c.Name = name;
    c.Bounds = bounds;
    c.Caption = text;
    c.Font = StripFont();
    c.Pointer = PointerShape::Move;
    c.DragsWindow = true;
    return &Add(c);
  };
  RLabel = label("RLabel", {30, 0, 11, 13}, "R: ");
  lblR = label("lblR", {48, 0, 25, 13}, "0");
  GLabel = label("GLabel", {75, 0, 11, 13}, "G: ");
  lblG = label("lblG", {93, 0, 25, 13}, "0");
  BLabel = label("BLabel", {122, 0, 11, 13}, "B: ");
  lblB = label("lblB", {140, 0, 25, 13}, "0");
  HexLabel = label("HexLabel", {175, 0, 32, 13}, "Hex: ");
  // 55 wide, not 49: "#DDDDDD" in MS Sans Serif 8 pt is 55 pixels, and a
  // code that loses its last digit is a wrong code.
  lblHexColorValue = label("lblHexColorValue", {208, 0, 55, 17}, "000000");

  auto link = [this](const char* name, Rect bounds, const char* text, void (TMainForm::*handler)()) {
    TControl c;
    c.Name = name;
    c.Bounds = bounds;
    c.Caption = text;
    c.Font = StripFont(true);
    c.Pointer = PointerShape::Hand;
    c.OnClick = [this, handler](TControl&) { (this->*handler)(); };
    return &Add(c);
  };
  lblWebsite = link("lblWebsite", {40, 16, 46, 13}, "Website", &TMainForm::lblWebsiteClick);
  lblEmail = link("lblEmail", {96, 16, 34, 13}, "E-mail", &TMainForm::lblEmailClick);
  lblExit = link("lblExit", {200, 16, 22, 13}, "Exit", &TMainForm::lblExitClick);

  TControl button;
  button.Name = "btnHelp";
  button.Kind = ControlKind::FlatButton;
  button.Bounds = {240, 16, 17, 17};
  button.Caption = ">>";
  button.Font = StripFont();
  button.Align = TextAlign::Center;
  button.Hint = kOpenColorBoxHint;
  button.OnClick = [this](TControl&) { btnHelpClick(); };
  btnHelp = &Add(button);
}

void TMainForm::BuildBottomPanel() {
  constexpr int top = 34;
  TControl bottom;
  bottom.Name = "BottomPanel";
  bottom.Kind = ControlKind::Panel;
  bottom.Bounds = {0, top, 272, 312};
  bottom.Color = kWhite;
  BottomPanel = &Add(bottom);

  TControl help;
  help.Name = "HelpPanel";
  help.Kind = ControlKind::Panel;
  help.Bounds = {0, top, 272, 66};
  help.Color = kHelpBackground;
  help.Parent = BottomPanel;
  help.Visible = false;
  HelpPanel = &Add(help);

  const std::pair<const char*, const char*> lines[] = {
      {"lblHelpCaption", ""},
      {"PressDecLabel", "Press Alt+D to Copy Dec Color To Clipboard (R, G, B)"},
      {"PressHexLabel", "Press Alt+H to Copy Hex Color To Clipboard (#RRGGBB)"},
      {"lblPressSave", "Press Alt+S to Save Color to Color Box"}};
  for (int i = 0; i < 4; ++i) {
    TControl line;
    line.Name = lines[i].first;
    line.Bounds = {0, top + 2 + 15 * i, 273, 13};
    line.Caption = lines[i].second;
    line.Font = StripFont();
    line.FontColor = kHelpText;
    line.Parent = HelpPanel;
    TControl& added = Add(line);
    if (i == 0) lblHelpCaption = &added;
  }

  TControl heading;
  heading.Parent = BottomPanel;
  heading.SystemFontColor = true;
  heading.Name = "lblColorBox";
  heading.Bounds = {2, top + 69, 45, 13};
  heading.Caption = "Color Box";
  heading.Font = StripFont();
  Add(heading);
  heading.Name = "lblHTMLColorChart";
  // 121 wide, not 113: the heading is drawn in Tahoma once the window is
  // shown, which is wider than the MS Sans Serif it was laid out in.
  heading.Bounds = {102, top + 69, 121, 13};
  heading.Caption = "HTML Color Code Chart";
  heading.ParentFont = true;
  Add(heading);

  for (int i = 0; i < kColorBoxSlots; ++i) {
    TControl slot;
    slot.Name = "ColorBox" + std::to_string(i + 1);
    slot.Kind = ControlKind::Panel;
    slot.Bounds = {4, top + 84 + 38 * i, 36, 36};
    slot.Color = kWhite;
    slot.Border = true;
    slot.Parent = BottomPanel;
    slot.Pointer = PointerShape::Hand;
    slot.Align = TextAlign::Center;
    slot.ParentFont = true;
    slot.SystemFontColor = true;
    if (i == 0) slot.Caption = "Click";
    slot.OnClick = [this](TControl& sender) { ColorBox1Click(&sender); };
    ColorBoxes[i] = &Add(slot);
  }

  for (int r = 0; r < kChartSize; ++r) {
    for (int c = 0; c < kChartSize; ++c) {
      TControl swatch;
      swatch.Name = "Panel" + std::to_string(r * kChartSize + c + 1);
      swatch.Kind = ControlKind::Panel;
      swatch.Bounds = {44 + 19 * c, top + 84 + 19 * r, 18, 18};
      swatch.Color = FromRGB(kChart[r][c]);
      swatch.Parent = BottomPanel;
      swatch.OnClick = [this](TControl&) { PanelClick(); };
      ChartPanels.push_back(&Add(swatch));
    }
  }
}

TControl* TMainForm::Find(const std::string& name) {
  for (TControl& c : FControls) {
    if (c.Name == name) return &c;
  }
  return nullptr;
}

// --- Lifecycle ---------------------------------------------------------------

void TMainForm::FormCreate() {
  ManagerInstance = std::make_unique<TVelmoraManager>(FWindow.get());
  ManagerInstance->SetListener(this);
  ReadColorBox();
}

void TMainForm::FormShow() {
  SetCaption(lblHelpCaption, "Welcome to Velmora HotKeys Help!");
  const Rect screen = Platform().PrimaryScreen();
  // Centred by its width on the screen, which is wider than 272 pixels on a scaled display.
  const int width = FWindow->ToScreenPixels(kFormWidth);
  const Rect bounds{screen.x + screen.width / 2 - width / 2, screen.y + screen.height / 5,
                    kFormWidth, kCollapsedHeight};
  FWindow->SetBounds(bounds);
  FWindow->StartTimer(kTimerPeriodMs);
  ManagerInstance->RegisterHotKeys(*FWindow);
  ApplyDefaultFont(FBaseFont);
  lblWebsite->Hint = "Visit Velmora HomePage";
  lblEmail->Hint = "About Velmora Feedback";
  lblExit->Hint = "Exit";
  for (TControl* slot : ColorBoxes) slot->Hint = kSlotHint;
  for (const TControl& c : FControls) {
    if (!c.Hint.empty()) FWindow->SetTooltip(c.Id, c.Bounds, c.Hint);
  }
}

void TMainForm::FormDestroy() {
  if (ManagerInstance) ManagerInstance->UnregisterHotKeys(*FWindow);
  ManagerInstance.reset();
  WriteColorBox();
}

void TMainForm::OnDestroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  FormDestroy();
}

void TMainForm::OnSessionEnd() {
  // The session may end without the window being destroyed: keep the colours now.
  WriteColorBox();
}

// --- The strip -----------------------------------------------------------------

void TMainForm::CatchTimerTimer() {
  TColor c;
  try {
    c = ManagerInstance->SampleColor();
  } catch (const EOSError&) {
    // Report an unreadable pointer once per spell of failures; the next
    // tick that can read it again clears the spell.
    if (FSamplingFailed) return;
    FSamplingFailed = true;
    throw;
  }
  FSamplingFailed = false;
  SetPanelColor(ColorPanel, c);
  SetCaption(lblHexColorValue, ManagerInstance->GetHexText());
  SetCaption(lblB, ManagerInstance->GetBlueText());
  SetCaption(lblG, ManagerInstance->GetGreenText());
  SetCaption(lblR, ManagerInstance->GetRedText());
}

void TMainForm::WMHotKey(std::int32_t id) { ManagerInstance->HandleHotKey(id); }

void TMainForm::FormMouseDown(MouseButton button) { FWindow->BeginMove(button); }

void TMainForm::lblWebsiteClick() { ManagerInstance->OpenHomePage(); }
void TMainForm::lblEmailClick() { ManagerInstance->OpenFeedbackMail(); }
void TMainForm::lblExitClick() { FWindow->Close(); }

// --- The lower area --------------------------------------------------------------

void TMainForm::btnHelpClick() {
  Rect bounds = FWindow->Bounds();
  if (HelpPanel->Visible) {
    bounds.height = kCollapsedHeight;
    SetHint(btnHelp, kOpenColorBoxHint);
  } else {
    bounds.height = kExpandedHeight;
    SetHint(btnHelp, kHideColorBoxHint);
  }
  FWindow->SetBounds(bounds);
  HelpPanel->Visible = !HelpPanel->Visible;
  Repaint(BottomPanel);
}

void TMainForm::SaveColorToColorBox() {
  for (int i = kColorBoxSlots - 1; i > 0; --i) SetPanelColor(ColorBoxes[i], ColorBoxes[i - 1]->Color);
  SetPanelColor(ColorBoxes[0], ColorPanel->Color);
}

void TMainForm::PanelClick() { SaveColorToColorBox(); }

void TMainForm::ColorBox1Click(TControl* sender) {
  bool isSlot = false;
  for (TControl* slot : ColorBoxes) isSlot = isSlot || slot == sender;
  if (!isSlot) return;
  TColor chosen = sender->Color;
  if (Platform().ChooseColor(FWindow.get(), chosen)) SetPanelColor(sender, chosen);
}

void TMainForm::ReadColorBox() {
  const std::vector<TColor> colors = LoadColorBox(kColorBoxSlots);
  for (int i = 0; i < kColorBoxSlots; ++i) SetPanelColor(ColorBoxes[i], colors[i]);
}

void TMainForm::WriteColorBox() {
  std::vector<TColor> colors;
  for (const TControl* slot : ColorBoxes) colors.push_back(slot->Color);
  StoreColorBox(colors);
}

// --- Changing what is shown ------------------------------------------------------

void TMainForm::Repaint(const TControl* control) {
  if (FWindow != nullptr && control->Showing()) FWindow->Invalidate(control->Bounds);
}

void TMainForm::SetCaption(TControl* control, const std::string& text) {
  if (control->Caption == text) return;
  control->Caption = text;
  Repaint(control);
}

void TMainForm::SetPanelColor(TControl* control, TColor color) {
  if (control->Color == color) return;
  control->Color = color;
  Repaint(control);
}

void TMainForm::SetHint(TControl* control, const std::string& hint) {
  control->Hint = hint;
  FWindow->SetTooltip(control->Id, control->Bounds, hint);
}

// --- Input -------------------------------------------------------------------------

TControl* TMainForm::ControlAt(Point p) {
  for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
    if (it->Showing() && it->Bounds.Contains(p)) return &*it;
  }
  return nullptr;
}

void TMainForm::OnMouseDown(Point p, MouseButton button) {
  TControl* target = ControlAt(p);
  if (target == nullptr || target->DragsWindow) {
    FPressed = nullptr;
    FormMouseDown(button);
  } else if (button == MouseButton::Left) {
    FPressed = target;
  }
}

void TMainForm::OnMouseUp(Point p, MouseButton button) {
  if (button != MouseButton::Left) return;
  TControl* pressed = FPressed;
  FPressed = nullptr;
  if (pressed != nullptr && pressed == ControlAt(p) && pressed->OnClick) pressed->OnClick(*pressed);
}

void TMainForm::OnMouseMove(Point p) {
  TControl* hot = ControlAt(p);
  if (hot == FHot) return;
  if (FHot == btnHelp || hot == btnHelp) Repaint(btnHelp);
  FHot = hot;
}

void TMainForm::OnMouseLeave() {
  if (FHot == btnHelp) Repaint(btnHelp);
  FHot = nullptr;
}

PointerShape TMainForm::PointerAt(Point p) {
  const TControl* target = ControlAt(p);
  return target == nullptr ? PointerShape::Move : target->Pointer;
}

// --- Painting ----------------------------------------------------------------------

void TMainForm::OnPaint(ICanvas& canvas, const Rect& dirty) {
  canvas.FillRect(dirty, kBackgroundBlue);
  for (const TControl& c : FControls) {
    if (!c.Showing() || c.Bounds.Intersect(dirty).Empty()) continue;
    PainterFor(c.Kind)(canvas, c, PaintState{c.ParentFont ? FBaseFont : c.Font, FHot == &c});
  }
}

}  // namespace velmora
