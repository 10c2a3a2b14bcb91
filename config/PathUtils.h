// Where the machine-wide shared documents folder lies.
#pragma once

#include <string>

namespace velmora {

// The shared documents folder of all users; empty when it cannot be found.
std::string GetCommonDocumentsPath();

}  // namespace velmora
