#include "ui/MainFrm.h"

#include <algorithm>
#include <cstdlib>

#include "config/ColorBoxExport.h"
#include "config/ColorBoxStore.h"
#include "core/ColorNames.h"
#include "core/Contrast.h"
#include "core/Errors.h"
#include "core/VelmoraManager.h"
#include "platform/Version.h"
#include "ui/ContextMenu.h"
#include "ui/ControlPainters.h"
#include "ui/FormUtils.h"

namespace velmora {

TMainForm::TMainForm() {
  BuildControls();
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
  FOptions = LoadOptions();
  ManagerInstance->SetExtraFormat(FOptions.ExtraFormat);
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
  ApplyHotKeyOption(HotKey::AltZ);
  ApplyHotKeyOption(HotKey::AltC);
  ApplyMagnifierOption();
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
  FMagnifier.reset();
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
  // With the magnifier on, its block comes from the same read as the strip's
  // pixel: the framed pixel is the strip's colour, and the screen is read once.
  // A sample bigger than a pixel comes from the block as well.
  PixelBlock block;
  const int sampleRadius = SampleRadius(FOptions.Sample);
  const int blockRadius = FMagnifier ? std::max(kMagnifierRadius, sampleRadius) : sampleRadius;
  try {
    c = blockRadius > 0 ? ManagerInstance->SampleColor(blockRadius, block, sampleRadius)
                        : ManagerInstance->SampleColor();
  } catch (const EOSError&) {
    // Report an unreadable pointer once per spell of failures; the next
    // tick that can read it again clears the spell.
    if (FSamplingFailed) return;
    FSamplingFailed = true;
    throw;
  }
  FSamplingFailed = false;
  const Rect bounds = FWindow->Bounds();
  const Rect onScreen{bounds.x, bounds.y, FWindow->ToScreenPixels(bounds.width),
                      FWindow->ToScreenPixels(bounds.height)};
  if (!onScreen.Contains(ManagerInstance->Position())) FOutsideColor = c;
  if (FMagnifier) {
    FMagnifier->Update(ManagerInstance->Position(), Platform().PrimaryScreen(), std::move(block));
  }
  // Most ticks at rest see the colour the strip shows already.
  if (FColorShown && c == FShownColor) return;
  FColorShown = true;
  FShownColor = c;
  SetPanelColor(ColorPanel, c);
  SetCaption(lblHexColorValue, ManagerInstance->GetHexText());
  SetCaption(lblB, ManagerInstance->GetBlueText());
  SetCaption(lblG, ManagerInstance->GetGreenText());
  SetCaption(lblR, ManagerInstance->GetRedText());
  SetHint(ColorPanel, FOptions.ColorName && c != kInvalidColor ? ColorNameHint(c) : std::string());
}

void TMainForm::WMHotKey(std::int32_t id) {
  ManagerInstance->HandleHotKey(id);
}

void TMainForm::FormMouseDown(MouseButton button) {
  FWindow->BeginMove(button);
}

void TMainForm::lblWebsiteClick() {
  ManagerInstance->OpenHomePage();
}
void TMainForm::lblEmailClick() {
  ManagerInstance->OpenFeedbackMail();
}
void TMainForm::lblExitClick() {
  FWindow->Close();
}

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
  for (int i = kColorBoxSlots - 1; i > 0; --i)
    SetPanelColor(ColorBoxes[i], ColorBoxes[i - 1]->Color);
  SetPanelColor(ColorBoxes[0], ColorPanel->Color);
}

void TMainForm::PanelClick() {
  SaveColorToColorBox();
}

// --- Options and the context menu ---------------------------------------------------

void TMainForm::ToggleMagnifier() {
  TOptions options = FOptions;
  options.Magnifier = !options.Magnifier;
  ChangeOptions(options);
}

void TMainForm::ApplyMagnifierOption() {
  if (!FOptions.Magnifier) {
    FMagnifier.reset();
  } else if (!FMagnifier || FMagnifier->Zoom() != FOptions.Zoom ||
             FMagnifier->FrameRadius() != SampleRadius(FOptions.Sample)) {
    FMagnifier.reset();
    FMagnifier = std::make_unique<TMagnifier>(FOptions.Zoom, SampleRadius(FOptions.Sample));
  }
}

void TMainForm::ApplyHotKeyOption(HotKey key) {
  const bool wanted = key == HotKey::AltZ ? FOptions.HotKeyAltZ : FOptions.HotKeyAltC;
  const bool registered = ManagerInstance->SetOptionalHotKey(*FWindow, key, wanted);
  (key == HotKey::AltZ ? FAltZTaken : FAltCTaken) = wanted && !registered;
}

void TMainForm::ChangeOptions(const TOptions& options) {
  if (options == FOptions) return;
  FOptions = options;
  ManagerInstance->SetExtraFormat(FOptions.ExtraFormat);
  ApplyMagnifierOption();
  StoreOptions(FOptions);
}

void TMainForm::ShowContextMenu() {
  ContextMenuState state;
  // The colour as the menu opens: on the way to an entry the pointer samples the menu.
  state.color = FOutsideColor;
  state.options = FOptions;
  state.altZTaken = FAltZTaken;
  state.altCTaken = FAltCTaken;
  state.withMagnifier = true;
  state.withStartAtLogin = true;
  state.startsAtLogin = Platform().StartsAtLogin();
  ContextMenuChoose(FWindow->ShowMenu(BuildContextMenu(state)), state.color);
}

void TMainForm::ContextMenuChoose(int command, TColor color) {
  TOptions options = FOptions;
  ColorFormat format{};
  if (FormatOfCommand(command, kCommandCopyAs, format)) {
    ManagerInstance->CopyToClipboard(FormatColor(format, color));
  } else if (FormatOfCommand(command, kCommandExtraFormat, format)) {
    options.ExtraFormat = format;
    ChangeOptions(options);
  } else if (command == kCommandHotKeyAltC || command == kCommandHotKeyAltZ) {
    const HotKey key = command == kCommandHotKeyAltC ? HotKey::AltC : HotKey::AltZ;
    bool& on = key == HotKey::AltC ? options.HotKeyAltC : options.HotKeyAltZ;
    // A key shown as taken is tried again; one that stays taken stays off.
    on = !on || HotKeyTaken(key);
    if (ManagerInstance->SetOptionalHotKey(*FWindow, key, on) != on) {
      ManagerInstance->SetOptionalHotKey(*FWindow, key, false);
      (key == HotKey::AltC ? FAltCTaken : FAltZTaken) = true;
      return;
    }
    (key == HotKey::AltC ? FAltCTaken : FAltZTaken) = false;
    ChangeOptions(options);
  } else if (SampleOfCommand(command, options.Sample) || ZoomOfCommand(command, options.Zoom)) {
    ChangeOptions(options);
  } else if (command == kCommandColorName) {
    options.ColorName = !options.ColorName;
    ChangeOptions(options);
    // The next tick sets the swatch's tooltip anew.
    FColorShown = false;
  } else if (command == kCommandMagnifier) {
    ToggleMagnifier();
  } else if (command == kCommandContrast) {
    ShowContrast();
  } else if (command == kCommandExport) {
    ExportColors();
  } else if (command == kCommandStartAtLogin) {
    const bool on = !Platform().StartsAtLogin();
    if (!Platform().SetStartAtLogin(on)) {
      throw EVelmoraError(on ? "Cannot make Velmora start at login"
                             : "Cannot stop Velmora starting at login");
    }
  } else if (command == kCommandAbout) {
    ManagerInstance->OpenHomePage();
  } else if (command == kCommandExit) {
    lblExitClick();
  }
}

void TMainForm::ShowContrast() {
  Platform().ShowInfoBox(FWindow.get(), "Velmora: contrast", ContrastReport(ColorBoxColors()));
}

void TMainForm::ExportColors() {
  std::string file;
  if (!Platform().ChooseSaveFile(FWindow.get(), "Export colour box", kExportSuggestedName,
                                 ExportFilters(), file)) {
    return;
  }
  ExportColorBox(file, ColorBoxColors());
}

std::vector<TColor> TMainForm::ColorBoxColors() const {
  std::vector<TColor> colors;
  for (const TControl* slot : ColorBoxes) colors.push_back(slot->Color);
  return colors;
}

void TMainForm::ColorBox1Click(TControl* sender) {
  bool isSlot = false;
  for (TControl* slot : ColorBoxes) isSlot = isSlot || slot == sender;
  if (!isSlot) return;
  TColor chosen = sender->Color;
  if (Platform().PickColor(FWindow.get(), chosen)) SetPanelColor(sender, chosen);
}

void TMainForm::ReadColorBox() {
  const std::vector<TColor> colors = LoadColorBox(kColorBoxSlots);
  for (int i = 0; i < kColorBoxSlots; ++i) SetPanelColor(ColorBoxes[i], colors[i]);
}

void TMainForm::WriteColorBox() {
  StoreColorBox(ColorBoxColors());
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
  // NOTE: the swatch sets its hint on each new colour; an unchanged one (none,
  // while the colour's name is off) asks nothing of the window.
  if (control->Hint == hint) return;
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
  if (button == MouseButton::Right) {
    // A click or a drag: the pointer's moves tell (OnMouseMove, OnMouseUp).
    FRightPending = true;
    FRightPress = p;
    return;
  }
  if (target == nullptr || target->DragsWindow) {
    FPressed = nullptr;
    FormMouseDown(button);
  } else if (button == MouseButton::Left) {
    FPressed = target;
  }
}

void TMainForm::OnMouseUp(Point p, MouseButton button) {
  if (button == MouseButton::Right && FRightPending) {
    FRightPending = false;
    ShowContextMenu();
    return;
  }
  if (button != MouseButton::Left) return;
  TControl* pressed = FPressed;
  FPressed = nullptr;
  if (pressed != nullptr && pressed == ControlAt(p) && pressed->OnClick) pressed->OnClick(*pressed);
}

void TMainForm::OnMouseMove(Point p) {
  if (FRightPending && (std::abs(p.x - FRightPress.x) > Platform().DragThreshold() ||
                        std::abs(p.y - FRightPress.y) > Platform().DragThreshold())) {
    // A drag: from a spot that moves the window, the window follows from
    // where the button went down; from anywhere else nothing happens.
    FRightPending = false;
    const TControl* target = ControlAt(FRightPress);
    if (target == nullptr || target->DragsWindow) FormMouseDown(MouseButton::Right);
  }
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
