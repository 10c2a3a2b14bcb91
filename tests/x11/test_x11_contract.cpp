// The platform contract on the X11 backend (X11ContractDriver.h).
#include "tests/x11/X11ContractDriver.h"

namespace velmora {
namespace {

INSTANTIATE_TYPED_TEST_SUITE_P(OnX11, PlatformContract, X11Driver);

}  // namespace
}  // namespace velmora
