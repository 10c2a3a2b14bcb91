// System libraries loaded on first use.
#include <stdexcept>

#include "platform/win32/Win32Platform.h"

namespace velmora {

void* SystemFunction(const char* library, const char* function) {
  // By name, as an import would be: the manifest's activation context still
  // picks the common controls' version 6.
  HMODULE module = ::LoadLibraryA(library);  // kept for the process's lifetime
  FARPROC found = module != nullptr ? ::GetProcAddress(module, function) : nullptr;
  if (found == nullptr) {
    const std::string reason = SystemErrorText(::GetLastError());
    throw std::runtime_error("Cannot load " + std::string(function) + " from " + library +
                             (reason.empty() ? "" : ": " + reason));
  }
  return reinterpret_cast<void*>(found);
}

}  // namespace velmora
