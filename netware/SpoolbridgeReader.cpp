// The maker's direct-print monitor addresses its devices by IPX and keeps each
// port's device address as "<part1>-<part2>"; the address text is
// "<part2>:<part1>". On the NT line its ports sit under a key written with two
// full-width letters; they cannot be resolved there, and the search stops.
#include "framework/Mbcs.h"
#include "portmon/RegKeyHolder.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const char kSpoolbridgePorts9x[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\JN Spoolbridge Port\\Ports";
// The two full-width letters as Shift-JIS bytes, passed as narrow text whatever the code page.
const char kSpoolbridgePortsNT[] =
    "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\\x82\x69\x82\x6D Spoolbridge Port\\Ports";

}  // namespace

int CZrAddrResolution::GetIPXAddressFromSpoolbridgePort(const char* port, CString& address, int& abort) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPXAddressFromSpoolbridgePort() start!! : %s", port);
  char value[260] = {};
  abort = 0;

  CRegKeyHolder key;
  if (key.Open(HKEY_LOCAL_MACHINE, m_bWindowsNTLine ? kSpoolbridgePortsNT : kSpoolbridgePorts9x, KEY_READ) !=
      ERROR_SUCCESS) {
    return 0;
  }
  unsigned long count = sizeof value;
  if (key.QueryStringValue(port, value, &count) != ERROR_SUCCESS) return 0;

  if (m_bWindowsNTLine) {
    abort = 1;
    return 0;
  }

  const char* hyphen = nullptr;
  for (const char* p = value; *p != '\0'; p += zrframework::Mbcs::CharLength(p)) {
    if (*p == '-') {
      hyphen = p;
      break;
    }
  }
  if (hyphen == nullptr) return 0;
  address = hyphen + 1;
  address += ':';
  address += CString(value, static_cast<int>(hyphen - value));
  return 1;
}
