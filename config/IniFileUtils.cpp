#include "config/IniFileUtils.h"

#include <utility>

#include "config/PathUtils.h"
#include "core/Errors.h"
#include "platform/PathNames.h"
#include "platform/Platform.h"

namespace velmora {

namespace {

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string GetConfigFileName() { return Platform().ConfigFile("Config.ini"); }

bool TryStrToInt(const std::string& text, std::int32_t& value) {
  std::string::size_type i = 0;
  const std::string::size_type n = text.size();
  while (i < n && text[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    hex = true;
    ++i;
  } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i == n) return false;  // no digits at all

  std::uint32_t magnitude = 0;
  if (hex) {
    for (; i < n; ++i) {
      const int d = HexDigitValue(text[i]);
      if (d < 0) return false;
      if (magnitude > 0x0FFFFFFFu) return false;  // a ninth significant digit
      magnitude = (magnitude << 4) | static_cast<std::uint32_t>(d);
    }
    // The digits are the 32-bit pattern; a sign negates it modulo 2^32.
    const std::uint32_t bits = negative ? 0u - magnitude : magnitude;
    value = static_cast<std::int32_t>(bits);
    return true;
  }

  const std::uint32_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    const std::uint32_t d = static_cast<std::uint32_t>(c - '0');
    if (magnitude > (limit - d) / 10) return false;
    magnitude = magnitude * 10 + d;
  }
  value = negative ? static_cast<std::int32_t>(0u - magnitude) : static_cast<std::int32_t>(magnitude);
  return true;
}

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

std::vector<std::int32_t> TIniFile::ReadIntegers(const std::string& section,
                                                 const std::vector<std::string>& keys,
                                                 std::int32_t def) {
  std::vector<std::int32_t> values;
  for (const std::string& text : Platform().ReadProfileValues(FFileName, section, keys)) {
    std::int32_t value = def;
    values.push_back(TryStrToInt(text, value) ? value : def);
  }
  values.resize(keys.size(), def);
  return values;
}

void TIniFile::WriteIntegers(const std::string& section, const std::vector<std::string>& keys,
                             const std::vector<std::int32_t>& values) {
  ProfileValues texts;
  for (std::size_t i = 0; i < keys.size() && i < values.size(); ++i) {
    texts.emplace_back(keys[i], std::to_string(values[i]));
  }
  WriteStrings(section, texts);
}

std::vector<std::string> TIniFile::ReadStrings(const std::string& section,
                                               const std::vector<std::string>& keys) {
  std::vector<std::string> texts = Platform().ReadProfileValues(FFileName, section, keys);
  texts.resize(keys.size());
  return texts;
}

void TIniFile::WriteStrings(const std::string& section, const ProfileValues& texts) {
  IPlatform& platform = Platform();
  // NOTE: the profile writer creates the file but not its folders; without
  // them every write would fail on a machine no installer prepared.
  const std::string folder = FolderOf(FFileName, "\\/");
  if (!folder.empty()) platform.CreateFolders(folder);
  if (!platform.WriteProfileValues(FFileName, section, texts)) {
    throw EVelmoraError("Unable to write to " + FFileName);
  }
}

}  // namespace velmora
