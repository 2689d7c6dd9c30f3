// ZrAddrRes: which network device stands behind a printer port.
// CZrAddrResolution finds the address of the device behind a port name, a
// printer name, a host name or an address text, and tells its kind.
#pragma once

#include "framework/CString.h"
#include "platform/Types.h"
#include "resolver/ZrAddrResExport.h"

class CWinThread;
namespace zrlookup {
class CLookupCall;
}

namespace ZRMONITOR {

// The kind of address a search found (there is no 3).
enum ConnectionType {
  CT_IP = 0,       // IPv4 dotted or IPv6 text
  CT_IPX = 1,      // the IPX address of the device itself
  CT_NETWARE = 2,  // an IPX address found through NetWare
  CT_NONE = 4,     // nothing found
};

}  // namespace ZRMONITOR

class ZRADDRRES_API CZrAddrResolution {
 public:
  CZrAddrResolution();
  CZrAddrResolution(const CZrAddrResolution& other);
  CZrAddrResolution& operator=(const CZrAddrResolution& other);
  virtual ~CZrAddrResolution();

  int IsWindows95();
  int IsWindows9xLine();
  int IsWindowsNTLine();
  int IsTimeOuted() const;
  int IsTimeOutedForHost() const;

  // Address from a port name: 1 found (address and kind set), 0 not found.
  int GetAddressFromPort(const char* port, CString& address, ZRMONITOR::ConnectionType* kind) const;
  int GetIPAddressFromPort(const char* port, CString& address, ZRMONITOR::ConnectionType* kind) const;
  int GetIPXAddressFromPort(const char* port, CString& address, ZRMONITOR::ConnectionType* kind) const;

  // 0 for ports that cannot lead to a network device (local, file, document ports).
  static int IsValidPortName(const char* port);

  // Address-text tests: 1 when the text is an IPv4 (or IPv6) address text.
  static int IsValidStringIPAddress(const char* text);
  static int IsValidStringIPAddressIPv4(const char* text);
  static int IsValidStringIPAddressIPv6(const char* text);

  int GetIPAddressFromSMBPort(const char* port, CString& address) const;

  // Host name to address, and address to host name, on a worker thread bounded
  // by a time-out in milliseconds (the registry may override it): 0 found,
  // 0xFFFFFFFF timed out (also: not an address, for the reverse lookup),
  // 0xFFFFFFFE any other failure.
  unsigned long GetIPAddressFromHostName(const char* host, CString& address, unsigned long timeout) const;
  unsigned long GetHostFromIPAddress(const char* address, CString& host, unsigned long timeout) const;

  // Printer names: the display form the address store uses, and the host name
  // a printer's direct TCP/IP port is configured with.
  static void MakePrinterFriendlyName(CString name, CString& friendlyName);
  static int GetHostNameFromPrinterName(const char* printer, CString& host);
  int GetHostNameFromDirectPort(const CString& port, CString& host);

 private:
  // Tests reach the private steps through this one door.
  friend struct ZrAddrResolutionTestAccess;
  // Support tools run single steps through this one.
  friend struct ZrAddrResDiagnostics;

  // The lookup the port readers use: 5000 ms, refused after a time-out of this object.
  int GetIPAddressFromHostName(const char* host, CString& address) const;
  static unsigned long GetTimeoutValue(const char* valueName, unsigned long defaultTimeout);
  int DuplicateAndResumeThread(CWinThread& thread, HANDLE& handle) const;
  static unsigned int GetIPFromDNSThreadProc(void* call);
  static unsigned long GetIPFromDNS(zrlookup::CLookupCall& call);
  static unsigned int GetHostFromIPThreadProc(void* call);
  static unsigned long GetHostFromIP(zrlookup::CLookupCall& call);

  int GetAddressFromRegistry(const char* port, CString& address, ZRMONITOR::ConnectionType* kind) const;

  int GetIPAddressFromStandardTCPIPPort(const char* port, CString& address) const;
  int GetIPAddressFromHPStandardTCPIPPort(const char* port, CString& address) const;
  int GetIPAddressFromLPRPort(const char* port, CString& address) const;
  int GetIPAddressFromCanonLPRPort(const char* port, CString& address) const;
  int GetIPAddressFromTQPPort(const char* monitorPortsKey, const char* port, CString& address) const;
  int GetIPAddressFromJNTQPPort(const char* port, CString& address) const;
  int GetIPAddressFromNECTQPPort(const char* port, CString& address) const;
  int GetIPAddressFromIPP(const char* port, CString& address) const;
  int GetIPAddressFromRemotePort(const char* port, CString& address) const;
  int GetIPAddressFromUNC(const char* port, CString& address) const;
  int GetIPAddressFromPNS(const char* port, CString& address) const;
  // One PNS discovery exchange: at most two one-second attempts, the replies
  // read and one chosen. 1 when it ran to its end, 0 when it could not run.
  int PnsUdpBroadcast(unsigned short port, const char* name, CString& server, CString& device) const;
  void ShowErrorMessage(int code) const;
  // The one-second timer of an attempt; the thread ends with exit code 1.
  static DWORD WINAPI TimerThreadProc(void* parameter);
  // The per-user PNS settings: the use flag, and what the last discovery chose.
  void GetPNSUseFlag(unsigned long& flag) const;
  void SetPNSUseFlag(unsigned long flag) const;
  void SetPNSServer(const char* server) const;
  void SetPNSDevice(const char* device) const;
  int GetIPXAddressFromSpoolbridgePort(const char* port, CString& address, int& abort) const;

  // Lookup fields: changed by the const lookups, hence mutable.
  mutable int m_bTimeOuted;
  int m_bWindowsNT4;
  int m_bWindows2000OrLater;
  int m_bWindows95;
  int m_bWindows98;
  int m_bWindowsMe;
  int m_bWindows9xLine;
  int m_bWindowsNTLine;
  mutable CString m_strHostName;
  mutable CString m_strIPAddress;
  mutable int m_bDNSResult;
  mutable int m_bHostResult;
  mutable CString m_strHostFromIP;
  mutable CString m_strIPForHost;
  mutable int m_bTimeOutedForHost;
  HMODULE m_hWs2_32;
};

// Finds the IPX address of the print server behind a NetWare queue port:
// 0 found, -3 null or empty port name, -4 otherwise. Empties address first.
int GetIPXAddressFromNetWarePort(const char* port, CString& address);
