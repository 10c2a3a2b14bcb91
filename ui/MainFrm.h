// The main window: the live strip, and below it the hot-key help, the colour
// box and the colour chart, shown while the window is expanded.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "config/OptionsStore.h"
#include "core/HotKeyListenerClasses.h"
#include "platform/Platform.h"
#include "ui/Controls.h"
#include "ui/Magnifier.h"

namespace velmora {

constexpr int kFormWidth = 272;
constexpr int kCollapsedHeight = 32;
constexpr int kExpandedHeight = 346;
constexpr int kTimerPeriodMs = 100;
constexpr int kColorBoxSlots = 6;
constexpr int kChartSize = 12;

inline constexpr const char* kOpenColorBoxHint = "Open Color Box";
inline constexpr const char* kHideColorBoxHint = "Hide Color Box";
inline constexpr const char* kSlotHint = "Click Here to Customize Color";

// The chart's colour in column c, row r, as #RRGGBB.
std::uint32_t ChartRGB(int column, int row);

class TMainForm : public IWindowEvents, public IHotKeyListener {
 public:
  // Creates the native window (hidden) and runs the creation step.
  TMainForm();
  ~TMainForm() override;
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  // The native window, from construction to the form's end.
  IWindow& Window() { return *FWindow; }

  // Handlers, named after the control and event that call them.
  void FormCreate();
  void FormShow();
  void FormDestroy();
  void CatchTimerTimer();
  void FormMouseDown(MouseButton button);
  void WMHotKey(std::int32_t id);
  void lblWebsiteClick();
  void lblEmailClick();
  void lblExitClick();
  void btnHelpClick();
  void ColorBox1Click(TControl* sender);
  void PanelClick();
  void SaveColorToColorBox() override;
  void ToggleMagnifier() override;
  // The context menu: shown on a right click that did not move the window.
  void ShowContextMenu();
  // Acts on the command chosen in the menu; "Copy as" copies `color`.
  void ContextMenuChoose(int command, TColor color);
  void ReadColorBox();
  void WriteColorBox();
  // The contrast of the newest colour-box colour with the others, in a box.
  void ShowContrast();
  // The colour box into a file the user chooses.
  void ExportColors();
  // The six colours, newest first.
  std::vector<TColor> ColorBoxColors() const;

  // IWindowEvents
  void OnShow() override { FormShow(); }
  void OnTimer() override { CatchTimerTimer(); }
  void OnHotKey(int id) override { WMHotKey(id); }
  void OnMouseDown(Point p, MouseButton button) override;
  void OnMouseUp(Point p, MouseButton button) override;
  void OnMouseMove(Point p) override;
  void OnMouseLeave() override;
  PointerShape PointerAt(Point p) override;
  void OnPaint(ICanvas& canvas, const Rect& dirty) override;
  void OnDestroy() override;
  void OnSessionEnd() override;

  // The topmost visible control at p, or nullptr for the window's background.
  TControl* ControlAt(Point p);
  TControl* Find(const std::string& name);
  bool Expanded() const { return HelpPanel->Visible; }
  TColor SlotColor(int slot) const { return ColorBoxes[slot]->Color; }
  FontRole BaseFont() const { return FBaseFont; }
  const TOptions& Options() const { return FOptions; }
  // The colour last sampled outside this window: what "Copy as" copies.
  TColor OutsideColor() const { return FOutsideColor; }
  // The magnifier while it is on, else nullptr.
  const TMagnifier* Magnifier() const { return FMagnifier.get(); }
  bool HotKeyTaken(HotKey key) const { return key == HotKey::AltZ ? FAltZTaken : FAltCTaken; }

  // Controls, in painting order (each pointer below points into FControls).
  std::deque<TControl> FControls;
  TControl* ColorPanel;
  TControl *RLabel, *lblR, *GLabel, *lblG, *BLabel, *lblB, *HexLabel, *lblHexColorValue;
  TControl *lblWebsite, *lblEmail, *lblExit, *btnHelp;
  TControl *BottomPanel, *HelpPanel, *lblHelpCaption;
  std::array<TControl*, kColorBoxSlots> ColorBoxes;
  std::vector<TControl*> ChartPanels;

 private:
  // Makes the controls as ui/MainFrmLayout.cpp lays them out.
  void BuildControls();
  TControl& Add(TControl control);
  void SetCaption(TControl* control, const std::string& text);
  void SetPanelColor(TControl* control, TColor color);
  void SetHint(TControl* control, const std::string& hint);
  void Repaint(const TControl* control);
  // Turns Alt+Z or Alt+C on or off as the options say; a key another
  // program holds is marked taken.
  void ApplyHotKeyOption(HotKey key);
  void ChangeOptions(const TOptions& options);
  // Makes or drops the magnifier as the options say.
  void ApplyMagnifierOption();

  std::unique_ptr<IWindow> FWindow;
  FontRole FBaseFont = FontRole::Strip;  // the strip's font until shown
  bool FDestroyed = false;
  TControl* FPressed = nullptr;  // control under the last left-button press
  TControl* FHot = nullptr;      // control under the pointer
  bool FSamplingFailed = false;  // the last tick could not read the pointer
  TOptions FOptions;
  bool FAltZTaken = false;
  bool FAltCTaken = false;
  TColor FOutsideColor = 0;
  // A right press not yet known to be a click (menu) or a drag (move).
  bool FRightPending = false;
  Point FRightPress;
  // The colour the strip shows, once a tick has shown one.
  bool FColorShown = false;
  TColor FShownColor = 0;
  std::unique_ptr<TMagnifier> FMagnifier;
};

}  // namespace velmora
