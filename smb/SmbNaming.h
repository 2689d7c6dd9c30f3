// The texts of SMB port resolution that come from outside: the port name,
// which must follow the print device's naming before its server is asked, and
// the remark of the device's IPC share, which announces its address.
#pragma once

#include "framework/CString.h"

namespace zrsmb {

// True when port is \\server\queue with the queue named after the server as
// the device names it (server "-P"; a server name over 10 bytes may be cut
// before the "-P"). Says why not in the trace otherwise.
bool NamesTheDevicesQueue(const char* port);

// The announcement in an IPC share's remark: '0', four characters not
// examined, then an address text (IPv4 or IPv6). True, with the address
// written, when the remark is one.
bool ReadAnnouncedAddress(const char* remark, CString& address);

}  // namespace zrsmb
