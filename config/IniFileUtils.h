// The configuration file's name and integers kept in profile (INI) files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

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

// Integers kept in one section of a profile file, by name: read in one pass
// over the file, written in one replacement of it.
class TIniFile {
 public:
  explicit TIniFile(std::string fileName);

  // The keys' values as integers, in the order given; `def` for a key that is
  // missing or not a number.
  std::vector<std::int32_t> ReadIntegers(const std::string& section,
                                         const std::vector<std::string>& keys, std::int32_t def);
  // Writes each value as signed decimal text, creating the file's missing
  // folders first. Raises EVelmoraError "Unable to write to <file name>" when
  // the values cannot be written; the file then keeps its old content.
  void WriteIntegers(const std::string& section, const std::vector<std::string>& keys,
                     const std::vector<std::int32_t>& values);

  // The keys' values as they stand, in one pass; empty for a missing key.
  std::vector<std::string> ReadStrings(const std::string& section,
                                       const std::vector<std::string>& keys);
  // Writes the keys' texts as WriteIntegers writes numbers: folders, one
  // replacement of the file, the same error.
  void WriteStrings(const std::string& section, const ProfileValues& values);

  // One key of the above.
  std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def) {
    return ReadIntegers(section, {key}, def).front();
  }
  void WriteInteger(const std::string& section, const std::string& key, std::int32_t value) {
    WriteIntegers(section, {key}, {value});
  }

  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
};

}  // namespace velmora
