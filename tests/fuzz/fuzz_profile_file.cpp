// Feeds any bytes to the profile engine as a file: reads keys from it, writes
// a colour-box key and reads the written file back. Besides crashes and
// undefined behaviour it checks that the written value is the one read,
// that writing it again changes nothing, and that reads fit the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ProfileFile.h"

namespace {

// The length of a UTF-8 text in the reader's characters (UTF-16 units).
std::size_t Chars(const std::string& utf8) {
  std::size_t n = 0;
  for (const char c : utf8) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80 || b >= 0xC0) ++n;  // a lead byte
    if (b >= 0xF0) ++n;              // beyond the first plane: two units
  }
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  velmora::ProfileFile file(bytes);
  const char* const keys[] = {"CB1", "CB2", "", " ", ";", "[ColorBox]"};
  for (const char* key : keys) {
    if (Chars(file.ReadString("ColorBox", key)) >= velmora::kProfileBufferChars) std::abort();
    if (Chars(file.ReadString("", key, 4)) > 3) std::abort();
  }

  // The value written: the digits of the input's last bytes.
  std::string value;
  for (std::size_t i = size > 8 ? size - 8 : 0; i < size; ++i) {
    value += static_cast<char>('0' + data[i] % 10);
  }
  file.WriteString("ColorBox", "CB3", value);
  if (file.WriteString("ColorBox", "CB3", value)) std::abort();
  if (file.ReadString("colorbox", "cb3") != value) std::abort();
  // The rewritten file need not read the same: a name that ended in a NUL
  // or a first line that looks like a Unicode mark reads differently once
  // written anew, just as with the platform's writer. It must still read.
  const velmora::ProfileFile written(file.Bytes());
  if (Chars(written.ReadString("ColorBox", "CB3")) >= velmora::kProfileBufferChars) std::abort();
  return 0;
}
