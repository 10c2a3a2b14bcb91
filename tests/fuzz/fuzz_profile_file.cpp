// Feeds any bytes to the profile engine as a file: reads keys from it, writes
// a colour-box key and reads the written file back. Besides crashes and
// undefined behaviour it checks that the written value is the one read,
// that writing it again changes nothing, and that reads fit the buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/ProfileFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  velmora::ProfileFile file(bytes);
  const char* const keys[] = {"CB1", "CB2", "", " ", ";", "[ColorBox]"};
  for (const char* key : keys) {
    if (file.ReadString("ColorBox", key).size() >= velmora::kProfileBufferChars) std::abort();
    if (file.ReadString("", key, 4).size() > 3) std::abort();
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
  if (written.ReadString("ColorBox", "CB3").size() >= velmora::kProfileBufferChars) std::abort();
  return 0;
}
