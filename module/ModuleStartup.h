// What the library does when it is loaded, apart from the loader's own part.
#pragma once

namespace zrmodule {

// String table entry shown when Windows Sockets cannot be started.
const unsigned kIdsSocketInitFailed = 103;

typedef int (*SocketStartup)();          // 0 when sockets started
typedef void (*ShowError)(unsigned id);  // shows string table entry id with an OK button

// Starts Windows Sockets for the process. On failure shows entry 103 and
// returns false, and the load must be refused.
bool StartModule(SocketStartup startup, ShowError showError);

}  // namespace zrmodule
