#include "ui/ContextMenu.h"

#include "platform/Version.h"

namespace velmora {

namespace {

constexpr int kFormatCount = static_cast<int>(sizeof kAllColorFormats / sizeof kAllColorFormats[0]);

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
  std::vector<MenuItem> hotKeys;
  if (state.withMagnifier) {
    menu.push_back(Entry(kCommandMagnifier, kMagnifierMenuText, state.options.Magnifier));
    hotKeys.push_back(Entry(kCommandHotKeyAltZ, HotKeyMenuText(HotKey::AltZ, state.altZTaken),
                            state.options.HotKeyAltZ && !state.altZTaken));
  }
  hotKeys.push_back(Entry(kCommandHotKeyAltC, HotKeyMenuText(HotKey::AltC, state.altCTaken),
                          state.options.HotKeyAltC && !state.altCTaken));
  menu.push_back(Submenu(kHotKeysMenuText, hotKeys));
  if (state.withStartAtLogin) {
    menu.push_back(Entry(kCommandStartAtLogin, kStartAtLoginMenuText, state.startsAtLogin));
  }
  menu.push_back(MenuItem{});  // a separator
  menu.push_back(Entry(kCommandAbout, AboutMenuText()));
  menu.push_back(Entry(kCommandExit, kExitMenuText));
  return menu;
}

}  // namespace velmora
