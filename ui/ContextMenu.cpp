#include "ui/ContextMenu.h"

#include "platform/Version.h"

namespace velmora {

namespace {

constexpr int kFormatCount = static_cast<int>(sizeof kAllColorFormats / sizeof kAllColorFormats[0]);
constexpr const char* kTimes = " \xC3\x97";  // " ×"

// The value of a command from a list of them at `base`.
template <std::size_t N>
bool ValueOfCommand(int command, int base, const int (&values)[N], int& value) {
  if (command < base || command >= base + static_cast<int>(N)) return false;
  value = values[command - base];
  return true;
}

// A radio group: one entry per value, the current one marked.
template <std::size_t N>
std::vector<MenuItem> RadioGroup(int base, const int (&values)[N], int current,
                                 std::string (*text)(int)) {
  std::vector<MenuItem> items;
  for (std::size_t i = 0; i < N; ++i) {
    MenuItem item;
    item.id = base + static_cast<int>(i);
    item.text = text(values[i]);
    item.checked = values[i] == current;
    item.radio = true;
    items.push_back(item);
  }
  return items;
}

MenuItem Entry(int id, const std::string& text, bool checked = false) {
  MenuItem item;
  item.id = id;
  item.text = text;
  item.checked = checked;
  return item;
}

MenuItem Submenu(const std::string& text, std::vector<MenuItem> items) {
  MenuItem item;
  item.text = text;
  item.submenu = std::move(items);
  return item;
}

}  // namespace

std::string AboutMenuText() {
  return std::string("About Velmora ") + kVersionText;
}

std::string HotKeyMenuText(HotKey key, bool taken) {
  const std::string name = key == HotKey::AltZ ? "Alt+Z" : "Alt+C";
  if (taken) return name + " (taken by another program)";
  return key == HotKey::AltZ ? name + ": magnifier on or off"
                             : name + ": copy as the format chosen";
}

std::string SampleMenuText(int size) {
  if (size == 1) return "1 pixel";
  return std::to_string(size) + kTimes + " " + std::to_string(size) + " average";
}

std::string ZoomMenuText(int zoom) {
  return std::to_string(zoom) + kTimes;
}

bool SampleOfCommand(int command, int& size) {
  return ValueOfCommand(command, kCommandSample, kSampleSizes, size);
}

bool ZoomOfCommand(int command, int& zoom) {
  return ValueOfCommand(command, kCommandZoom, kMenuZooms, zoom);
}

bool FormatOfCommand(int command, int base, ColorFormat& format) {
  if (command < base || command >= base + kFormatCount) return false;
  format = kAllColorFormats[command - base];
  return true;
}

std::vector<MenuItem> BuildContextMenu(const ContextMenuState& state) {
  std::vector<MenuItem> copyAs;
  std::vector<MenuItem> extra;
  for (int i = 0; i < kFormatCount; ++i) {
    const ColorFormat format = kAllColorFormats[i];
    copyAs.push_back(Entry(kCommandCopyAs + i, FormatColor(format, state.color)));
    MenuItem choice = Entry(kCommandExtraFormat + i, ColorFormatLabel(format),
                            format == state.options.ExtraFormat);
    choice.radio = true;
    extra.push_back(choice);
  }
  std::vector<MenuItem> menu;
  menu.push_back(Submenu(kCopyAsMenuText, copyAs));
  menu.push_back(Submenu(kExtraFormatMenuText, extra));
  menu.push_back(Submenu(kSampleMenuText, RadioGroup(kCommandSample, kSampleSizes,
                                                     state.options.Sample, SampleMenuText)));
  menu.push_back(Entry(kCommandColorName, kColorNameMenuText, state.options.ColorName));
  std::vector<MenuItem> hotKeys;
  if (state.withMagnifier) {
    menu.push_back(Entry(kCommandMagnifier, kMagnifierMenuText, state.options.Magnifier));
    menu.push_back(Submenu(kZoomMenuText,
                           RadioGroup(kCommandZoom, kMenuZooms, state.options.Zoom, ZoomMenuText)));
    hotKeys.push_back(Entry(kCommandHotKeyAltZ, HotKeyMenuText(HotKey::AltZ, state.altZTaken),
                            state.options.HotKeyAltZ && !state.altZTaken));
  }
  hotKeys.push_back(Entry(kCommandHotKeyAltC, HotKeyMenuText(HotKey::AltC, state.altCTaken),
                          state.options.HotKeyAltC && !state.altCTaken));
  menu.push_back(Submenu(kHotKeysMenuText, hotKeys));
  if (state.withStartAtLogin) {
    menu.push_back(Entry(kCommandStartAtLogin, kStartAtLoginMenuText, state.startsAtLogin));
  }
  menu.push_back(Entry(kCommandContrast, kContrastMenuText));
  menu.push_back(Entry(kCommandExport, kExportMenuText));
  menu.push_back(MenuItem{});  // a separator
  menu.push_back(Entry(kCommandAbout, AboutMenuText()));
  menu.push_back(Entry(kCommandExit, kExitMenuText));
  return menu;
}

}  // namespace velmora
