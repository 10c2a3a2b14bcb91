// The strip's context menu as a list of entries: what it offers follows the
// options, the colour to copy and which hot keys are taken; the form shows
// it through the window and acts on the command chosen.
#pragma once

#include <vector>

#include "config/OptionsStore.h"
#include "platform/Platform.h"

namespace velmora {

// The commands of the menu's entries (what IWindow::ShowMenu returns). The
// format entries add the format's place in kAllColorFormats.
enum MenuCommand : int {
  kCommandNone = 0,
  kCommandCopyAs = 100,
  kCommandExtraFormat = 200,
  kCommandMagnifier = 300,
  kCommandHotKeyAltZ = 310,
  kCommandHotKeyAltC = 311,
  kCommandStartAtLogin = 320,
  kCommandAbout = 330,
  kCommandExit = 340,
  kCommandContrast = 350,
  kCommandExport = 360,
  kCommandColorName = 370,
  kCommandSample = 400,  // + the size's place in kSampleSizes
  kCommandZoom = 410,    // + the zoom's place in kMenuZooms
};

// The magnifier's enlargements the menu offers.
inline constexpr int kMenuZooms[] = {2, 4, 8, 16};

inline constexpr const char* kCopyAsMenuText = "Copy as";
inline constexpr const char* kExtraFormatMenuText = "Alt+C copies as";
inline constexpr const char* kMagnifierMenuText = "Magnifier";
inline constexpr const char* kHotKeysMenuText = "Hot keys";
inline constexpr const char* kStartAtLoginMenuText = "Start at login";
inline constexpr const char* kExitMenuText = "Exit";
inline constexpr const char* kSampleMenuText = "Sample";
inline constexpr const char* kColorNameMenuText = "Colour name on the swatch";
inline constexpr const char* kZoomMenuText = "Zoom";
inline constexpr const char* kContrastMenuText = "Contrast\xE2\x80\xA6";
inline constexpr const char* kExportMenuText = "Export colour box\xE2\x80\xA6";

// Everything the menu shows.
struct ContextMenuState {
  TColor color = 0;  // the colour "Copy as" copies
  TOptions options;
  bool altZTaken = false;  // another program holds the key
  bool altCTaken = false;
  bool withMagnifier = false;     // the magnifier entries are offered
  bool withStartAtLogin = false;  // the start-at-login entry is offered
  bool startsAtLogin = false;
};

std::vector<MenuItem> BuildContextMenu(const ContextMenuState& state);

// "About Velmora 3.6.12.28".
std::string AboutMenuText();
// The entry for Alt+Z or Alt+C in the "Hot keys" submenu.
std::string HotKeyMenuText(HotKey key, bool taken);

// "1 pixel", "3 \xC3\x97 3 average".
std::string SampleMenuText(int size);
// "8 \xC3\x97".
std::string ZoomMenuText(int zoom);
// The sample size or zoom of a "Sample" or "Zoom" command; false for others.
bool SampleOfCommand(int command, int& size);
bool ZoomOfCommand(int command, int& zoom);

// The format of a "Copy as" or "Alt+C copies as" command; false for others.
bool FormatOfCommand(int command, int base, ColorFormat& format);

}  // namespace velmora
