// The platform the program itself runs on, made by the backend built in.
#pragma once

#include <memory>

#include "platform/Platform.h"

namespace velmora {

std::unique_ptr<IPlatform> CreateNativePlatform();

}  // namespace velmora
