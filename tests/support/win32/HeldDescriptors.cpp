#include "tests/support/HeldDescriptors.h"

namespace zrtest {

// Winsock's sockets are handles and its fd_set a list of them: no number is
// too high for it, so there is nothing to exhaust.
HeldDescriptors::HeldDescriptors(int) : m_whyNot("Winsock's sockets are handles, not descriptor numbers") {}

HeldDescriptors::~HeldDescriptors() = default;

}  // namespace zrtest
