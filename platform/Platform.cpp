#include "platform/Platform.h"

#include <cassert>

namespace velmora {

namespace {
IPlatform* current = nullptr;
}

IPlatform& Platform() {
  assert(current != nullptr && "SetPlatform was not called");
  return *current;
}

void SetPlatform(IPlatform* platform) { current = platform; }

}  // namespace velmora
