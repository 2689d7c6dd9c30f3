// Linked into every test program that links the library: from the start of
// the process, resolvers ask the scripted name service, never the network.
// Tests that need the real name service run inside a private network
// namespace with a name server of their own.
#include "tests/support/FakeNameService.h"

namespace {

zrtest::FakeNameService g_defaultNames;

}  // namespace
