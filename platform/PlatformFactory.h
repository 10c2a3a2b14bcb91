// The platform the program itself runs on, made by the backend built in.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace velmora {

std::unique_ptr<IPlatform> CreateNativePlatform();

#ifndef _WIN32
// Asks the Velmora already running in this session to do what `key` (Alt+H,
// Alt+D or Alt+S) does. Empty when it was asked, else why not, for the user.
std::string SendToRunningVelmora(HotKey key);
#endif

}  // namespace velmora
