// The share-list step of SMB port resolution: asks the server of a UNC port
// name for its shares and takes the address its print device announces in the
// remark of its IPC share.
#pragma once

#include "framework/CString.h"

namespace NAddrResolution {

// port: the whole port name, "\\server\queue". Results: 0 address found (and
// written), -1 NETAPI32.DLL / SVRAPI.DLL or one of its entries missing, -3 not
// a UNC name (or a server part of 261 bytes or more), -4 no address found (the
// address is emptied when the IPC share's remark is not an announcement).
int GetIPAddressFromSMBPort(const char* port, CString& address);

}  // namespace NAddrResolution
