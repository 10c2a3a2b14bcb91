// The platform the program itself runs on, made by the backend built in.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace velmora {

// The platform, or nullptr when the program cannot run here: the platform
// has then told the user why (a box, and a line on standard error), and the
// program ends with kExitCannotRunHere.
std::unique_ptr<IPlatform> CreateNativePlatform();
constexpr int kExitCannotRunHere = 3;

#ifndef _WIN32
// Asks the Velmora already running in this session to do `action` (one with
// a command, see kActionNames). Empty when it was asked, else why not, for
// the user.
std::string SendToRunningVelmora(Action action);
#endif

}  // namespace velmora
