#include "config/ColorBoxStore.h"

#include <string>

#include "config/IniFileUtils.h"

namespace velmora {

namespace {

// The keys of the first `slots` slots: "CB1" for the first.
std::vector<std::string> SlotKeys(int slots) {
  std::vector<std::string> keys;
  for (int i = 0; i < slots; ++i) keys.push_back("CB" + std::to_string(i + 1));
  return keys;
}

}  // namespace

std::vector<TColor> LoadColorBox(int slots) {
  return TIniFile(GetConfigFileName()).ReadIntegers(kColorBoxSection, SlotKeys(slots), kWhite);
}

void StoreColorBox(const std::vector<TColor>& colors) {
  TIniFile(GetConfigFileName())
      .WriteIntegers(kColorBoxSection, SlotKeys(static_cast<int>(colors.size())), colors);
}

}  // namespace velmora
