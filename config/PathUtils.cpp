#include "config/PathUtils.h"

#include "platform/Platform.h"

namespace velmora {

std::string GetCommonDocumentsPath() { return Platform().ConfigBaseFolder(); }

}  // namespace velmora
