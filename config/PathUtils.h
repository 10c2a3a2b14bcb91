// Where the folder Velmora keeps its configuration under lies.
#pragma once

#include <string>

namespace velmora {

// The folder "Quorvane/Velmora/Config.ini" lies under (Windows: the shared
// documents folder of all users); empty when it cannot be found.
std::string GetCommonDocumentsPath();

}  // namespace velmora
