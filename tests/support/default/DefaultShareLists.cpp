// Linked into every test program that links the library: from the start of
// the process, the share-list step asks the scripted stand-ins, never a
// server. Tests against real SMB servers run inside private network
// namespaces (tests/netns).
#include "tests/support/FakeShareLists.h"

namespace {

zrtest::FakeShareLists g_defaultShareLists;

}  // namespace
