// The platform Velmora.exe runs on.
#include <cstdlib>

#include "platform/PlatformFactory.h"
#include "platform/win32/Win32Platform.h"

namespace velmora {

std::unique_ptr<IPlatform> CreateNativePlatform() {
  return std::make_unique<Win32Platform>();
}

}  // namespace velmora

// NOTE: libstdc++'s default terminate handler prints the type of an uncaught
// exception, and brings the C++ name demangler and a printf into the program
// (about a sixth of Velmora.exe) for it. A window program has nowhere to
// print to, so std::terminate simply aborts. Defined here, in an object every
// program that uses the backend links, so that the library's one never is.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
  std::abort();
}
}  // namespace __gnu_cxx
