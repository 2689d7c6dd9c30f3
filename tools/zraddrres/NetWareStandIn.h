// --netware-network: rehearsing a NetWare site without a NetWare network. The
// client stand-in's five libraries, installed in a folder of their own, are
// loaded by path before the library looks for the client by name, and they
// serve the described network in the file given.
#pragma once

#include <string>

namespace zrtool {

// Puts the stand-in in place for this run; false with a message on standard
// error when its libraries cannot be loaded. A library the network names in a
// "missing" line is left out, as on a broken client install. With trace, the
// stand-in writes each client call it answers on standard error.
bool UseNetWareStandIn(const std::string& network, bool trace);

}  // namespace zrtool
