// Texts at the backend's edge: UTF-8 from the program, UTF-16 or the ANSI
// code page for the system.
#include "platform/win32/Win32Platform.h"

namespace velmora {

WideText Wide(const std::string& utf8) {
  if (utf8.empty()) return WideText();
  const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                      nullptr, 0);
  WideText out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0) {
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  }
  return out;
}

std::string Utf8(const wchar_t* text, int length) {
  if (text == nullptr || length == 0) return std::string();
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], n, nullptr, nullptr);
  // A length of -1 counts the final NUL too.
  if (length < 0 && !out.empty() && out.back() == '\0') out.pop_back();
  return out;
}

std::string Ansi(const std::string& utf8) {
  const WideText wide = Wide(utf8);
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int n = ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_ACP, 0, wide.data(), size, &out[0], n, nullptr, nullptr);
  return out;
}

}  // namespace velmora
