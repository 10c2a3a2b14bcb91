// Feeds any text to the integer conversion of profile values. Besides
// crashes and undefined behaviour it checks that a plain decimal number
// comes back as the same text, and that a rejected text leaves the value.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/IniFileUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::int32_t value = 0x5A5A5A5A;
  const bool valid = velmora::TryStrToInt(text, value);
  if (!valid && value != 0x5A5A5A5A) std::abort();
  if (valid) {
    // A canonical decimal text: optional '-', no leading zeros or blanks.
    const std::size_t digits = text.size() - (text[0] == '-' ? 1 : 0);
    bool canonical = digits > 0 && text.find_first_not_of("-0123456789") == std::string::npos &&
                     text.find('-', 1) == std::string::npos &&
                     (text[text.size() - digits] != '0' || digits == 1) && text != "-0";
    if (canonical && std::to_string(value) != text) std::abort();
  }
  return 0;
}
