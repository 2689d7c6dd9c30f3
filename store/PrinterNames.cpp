// Printer names: the display form the address store uses for its value names,
// and the host name a printer's direct TCP/IP port is configured with.
#include <vector>

#include "platform/Spooler.h"
#include "portmon/RegKeyHolder.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const char kLprPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\LPR Port\\Ports";
const char kStandardTcpIpPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\Standard TCP/IP Port\\Ports";
// The 9x monitor keeps one value per port, named after the port, in its Ports key.
const char kJnTqpPorts[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Monitors\\JN TCP/IP TQP Port\\Ports";

}  // namespace

// \\server\queue becomes "queue on server", the form the spooler shows for a
// shared printer. Positions are bytes: the middle part starts at the third
// byte whatever the second is. CString's searches step over double-byte
// characters, so a trail byte 0x5C is never taken for a backslash.
void CZrAddrResolution::MakePrinterFriendlyName(CString name, CString& friendlyName) {
  CString friendly;
  if (name.GetLength() > 0 && name[0] == '\\') {
    int lastBackslash = name.ReverseFind('\\');
    if (lastBackslash != 0) {
      friendly = name.Mid(lastBackslash + 1) + " on " + name.Mid(2, lastBackslash - 2);
      friendly.Replace('\\', '.');
    }
  }
  if (friendly.IsEmpty()) {
    friendly = name;
    friendly.Replace('\\', '.');
  }
  friendlyName = friendly;
}

int CZrAddrResolution::GetHostNameFromPrinterName(const char* printer, CString& host) {
  // A null name would open the print server itself, which has no port.
  if (printer == nullptr) return 0;
  HANDLE handle = nullptr;
  if (!OpenPrinterA(const_cast<char*>(printer), &handle, nullptr)) return 0;

  DWORD needed = 0;
  GetPrinterA(handle, 2, nullptr, 0, &needed);
  // operator new's alignment suits the record at the start of the buffer.
  std::vector<BYTE> record(needed);
  if (needed < sizeof(PRINTER_INFO_2A) ||
      !GetPrinterA(handle, 2, record.data(), static_cast<DWORD>(record.size()), &needed)) {
    ClosePrinter(handle);
    return 0;
  }
  CString port = reinterpret_cast<const PRINTER_INFO_2A*>(record.data())->pPortName;
  record.clear();
  ClosePrinter(handle);

  CZrAddrResolution resolver;
  if (port.IsEmpty()) return 0;
  CString found;
  if (!resolver.GetHostNameFromDirectPort(port, found)) return 0;
  host = found;
  return 1;
}

int CZrAddrResolution::GetHostNameFromDirectPort(const CString& port, CString& host) {
  // An empty name would open the monitor's own Ports key (or read its
  // default value) and report what is there as this port's host.
  if (port.IsEmpty()) return 0;
  CString keyPath;
  const char* valueName = nullptr;
  bool emptyIsAHost = false;
  if (m_bWindowsNT4) {
    keyPath = CString(kLprPorts) + "\\" + port;
    valueName = "Server Name";
  } else if (m_bWindows2000OrLater) {
    keyPath = CString(kStandardTcpIpPorts) + "\\" + port;
    valueName = "HostName";
  } else if (m_bWindows9xLine) {
    keyPath = kJnTqpPorts;
    valueName = port;
    emptyIsAHost = true;
  } else {
    return 0;
  }

  CRegKeyHolder key;
  if (key.Open(HKEY_LOCAL_MACHINE, keyPath, KEY_READ) != ERROR_SUCCESS) return 0;
  char value[260] = {};
  unsigned long count = sizeof value;
  if (key.QueryStringValue(valueName, value, &count) != ERROR_SUCCESS) return 0;
  if (value[0] == '\0' && !emptyIsAHost) return 0;
  // A port configured by address has no host name to tell.
  if (IsValidStringIPAddress(value)) return 0;
  host = value;
  return 1;
}
