// The configuration file's name and integers kept in profile (INI) files.
#pragma once

#include <cstdint>
#include <string>

namespace velmora {

inline constexpr const char* kColorBoxSection = "ColorBox";

// The full name of Config.ini: the base folder, then "Quorvane", "Velmora"
// and "Config.ini", each after the platform's separator, appended as they
// stand. When the base folder cannot be found this is the bare suffix, which
// on Windows resolves from the current drive's root.
std::string GetConfigFileName();

// Converts a profile value to a 32-bit signed integer: leading spaces, an
// optional sign, then decimal digits or a hex marker ("$", "x", "X", "0x",
// "0X") with hex digits. The whole text must be used; decimal numbers must
// fit in 32 signed bits, hex numbers in 32 bits (taken as the bit pattern).
// False, and `value` untouched, when the text is not such a number.
bool TryStrToInt(const std::string& text, std::int32_t& value);

// One read or write pass over a profile file, by name. Every call opens the
// file, reads or writes one key, and closes it again.
class TIniFile {
 public:
  explicit TIniFile(std::string fileName);

  // The key's value as an integer, or `def` when it is missing or not a number.
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def);
  // Writes the value as signed decimal text. The first write of this object
  // creates the file's missing folders. Raises EVelmoraError "Unable to write
  // to <file name>" when the value cannot be written.
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
  // The key's value as it stands; empty when it is missing.
  std::string ReadString(const std::string& section, const std::string& key);
  // Writes the text as the key's value, with WriteInteger's folders and error.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);

  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
  bool FFoldersMade = false;
};

}  // namespace velmora
