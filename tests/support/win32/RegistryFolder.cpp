// Under Windows the registry is the Wine prefix's own: there is no folder to
// swap, and the sandbox undoes its changes through the registry calls.
#include "tests/support/RegistryFixture.h"

namespace zrtest::internal {

std::string MakePrivateRegistryFolder() { return std::string(); }

void RemovePrivateRegistryFolder(const std::string&) {}

}  // namespace zrtest::internal
