// The share records of both network-management libraries, laid out as
// Windows lays them out, from a plain list of shares (used by the POSIX
// modules and by the tests' stand-ins of the two libraries on both targets),
// and a plain list read back from either library.
#pragma once

#include <string>
#include <vector>

#include "platform/NetApi.h"

namespace zrplatform {

typedef std::basic_string<WCHAR> WideText;

struct WideShare {
  WideText name;
  DWORD type;
  WideText remark;
};

struct NarrowShare {
  std::string name;  // ANSI, at most LM20_NNLEN bytes
  unsigned short type;
  std::string remark;
};

// NetShareEnum level 1 on the NT line: one block with the SHARE_INFO_1
// records and their texts, released with FreeNetApiBuffer. Null when memory is short.
LPBYTE MakeShareInfo1Block(const std::vector<WideShare>& shares);
// NetServerGetInfo level 101: the record and its texts in one such block.
LPBYTE MakeServerInfo101Block(const SERVER_INFO_101& record, const WideText& name, const WideText& comment);
void FreeNetApiBuffer(LPVOID buffer);

// NetShareEnum level 1 on the 9x line: records from the start of the
// caller's buffer, their remarks from its end, as many whole records as fit.
// 0 when all fit, ERROR_MORE_DATA when some did, NERR_BufTooSmall when none.
NET_API_STATUS FillShareInfo1(const std::vector<NarrowShare>& shares, char* buffer, unsigned short size,
                              unsigned short* read, unsigned short* total);

struct ListedShare {
  std::string name;  // ANSI
  DWORD type;
  std::string remark;
};

// A server's shares through NETAPI32.DLL (ntLine) or SVRAPI.DLL, loaded for
// the call: the library's result code, ERROR_MOD_NOT_FOUND or
// ERROR_PROC_NOT_FOUND when it or its entries are missing.
DWORD ListShares(bool ntLine, const char* server, std::vector<ListedShare>& shares);

}  // namespace zrplatform
