#include "config/ColorBoxStore.h"

#include <string>

#include "config/IniFileUtils.h"

namespace velmora {

namespace {

// The key of slot `index` (from 0): "CB1" for the first.
std::string SlotKey(int index) {
  return "CB" + std::to_string(index + 1);
}

}  // namespace

std::vector<TColor> LoadColorBox(int slots) {
  TIniFile ini(GetConfigFileName());
  std::vector<TColor> colors;
  for (int i = 0; i < slots; ++i) {
    colors.push_back(ini.ReadInteger(kColorBoxSection, SlotKey(i), kWhite));
  }
  return colors;
}

void StoreColorBox(const std::vector<TColor>& colors) {
  TIniFile ini(GetConfigFileName());
  for (int i = 0; i < static_cast<int>(colors.size()); ++i) {
    ini.WriteInteger(kColorBoxSection, SlotKey(i), colors[i]);
  }
}

}  // namespace velmora
