// Start at login: the value "Velmora" under the user's Run key, holding the
// program's quoted path.
#include <string>

#include "platform/win32/Win32Platform.h"

namespace velmora {

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValue[] = L"Velmora";

// An open registry key, closed on every path out of its scope.
class ScopedRegKey {
 public:
  ScopedRegKey() = default;
  ~ScopedRegKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  ScopedRegKey(const ScopedRegKey&) = delete;
  ScopedRegKey& operator=(const ScopedRegKey&) = delete;
  HKEY* Out() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

// This program's full path, quoted as the Run key wants it.
WideText QuotedProgramPath() {
  WideText path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n == 0) return WideText();
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return L"\"" + path + L"\"";
}

}  // namespace

bool Win32Platform::StartsAtLogin() {
  ScopedRegKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, key.Out()) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = 0;
  const LONG result = ::RegQueryValueExW(key.Get(), kRunValue, nullptr, &type, nullptr, nullptr);
  return result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ);
}

bool Win32Platform::SetStartAtLogin(bool on) {
  ScopedRegKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        key.Out(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  if (!on) {
    const LONG result = ::RegDeleteValueW(key.Get(), kRunValue);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
  }
  const WideText command = QuotedProgramPath();
  if (command.empty()) return false;
  const DWORD bytes = static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key.Get(), kRunValue, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(command.c_str()), bytes) == ERROR_SUCCESS;
}

}  // namespace velmora
