// Construction, copy and the operating-system queries of the resolver.
#include "lookup/SocketLibrary.h"
#include "platform/Version.h"
#include "resolver/ZrAddrResolution.h"

CZrAddrResolution::CZrAddrResolution()
    : m_bTimeOuted(0),
      m_bWindowsNT4(0),
      m_bWindows2000OrLater(0),
      m_bWindows95(0),
      m_bWindows98(0),
      m_bWindowsMe(0),
      m_bWindows9xLine(0),
      m_bWindowsNTLine(0),
      m_bDNSResult(0),
      m_bHostResult(0),
      m_bTimeOutedForHost(0),
      m_hWs2_32(nullptr) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148
  GetVersionExA(&version);  // a failure leaves the record zeroed: no flag set

  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    m_bWindowsNTLine = 1;
    if (version.dwMajorVersion == 4) {
      m_bWindowsNT4 = 1;
    } else if (version.dwMajorVersion >= 5) {
      m_bWindows2000OrLater = 1;
    }
  } else if (version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS) {
    m_bWindows9xLine = 1;
    if (version.dwMinorVersion == 0) {
      m_bWindows95 = 1;
    } else if (version.dwMinorVersion <= 10) {
      m_bWindows98 = 1;
    } else {
      m_bWindowsMe = 1;
    }
  }

  m_hWs2_32 = zrlookup::LoadSocketLibrary();
}

CZrAddrResolution::CZrAddrResolution(const CZrAddrResolution& other)
    : m_bTimeOuted(other.m_bTimeOuted),
      m_bWindowsNT4(other.m_bWindowsNT4),
      m_bWindows2000OrLater(other.m_bWindows2000OrLater),
      m_bWindows95(other.m_bWindows95),
      m_bWindows98(other.m_bWindows98),
      m_bWindowsMe(other.m_bWindowsMe),
      m_bWindows9xLine(other.m_bWindows9xLine),
      m_bWindowsNTLine(other.m_bWindowsNTLine),
      m_strHostName(other.m_strHostName),
      m_strIPAddress(other.m_strIPAddress),
      m_bDNSResult(other.m_bDNSResult),
      m_bHostResult(other.m_bHostResult),
      m_strHostFromIP(other.m_strHostFromIP),
      m_strIPForHost(other.m_strIPForHost),
      m_bTimeOutedForHost(other.m_bTimeOutedForHost),
      m_hWs2_32(other.m_hWs2_32) {}

CZrAddrResolution& CZrAddrResolution::operator=(const CZrAddrResolution& other) {
  m_bTimeOuted = other.m_bTimeOuted;
  m_bWindowsNT4 = other.m_bWindowsNT4;
  m_bWindows2000OrLater = other.m_bWindows2000OrLater;
  m_bWindows95 = other.m_bWindows95;
  m_bWindows98 = other.m_bWindows98;
  m_bWindowsMe = other.m_bWindowsMe;
  m_bWindows9xLine = other.m_bWindows9xLine;
  m_bWindowsNTLine = other.m_bWindowsNTLine;
  m_strHostName = other.m_strHostName;
  m_strIPAddress = other.m_strIPAddress;
  m_bDNSResult = other.m_bDNSResult;
  m_bHostResult = other.m_bHostResult;
  m_strHostFromIP = other.m_strHostFromIP;
  m_strIPForHost = other.m_strIPForHost;
  m_bTimeOutedForHost = other.m_bTimeOutedForHost;
  m_hWs2_32 = other.m_hWs2_32;
  return *this;
}

// The socket library stays loaded, and running lookup workers are not waited
// for: CThreadChecker::WaitForRunningThread offers that wait to the application.
CZrAddrResolution::~CZrAddrResolution() {}

int CZrAddrResolution::IsWindows95() { return m_bWindows95; }

int CZrAddrResolution::IsWindows9xLine() { return m_bWindows9xLine; }

int CZrAddrResolution::IsWindowsNTLine() { return m_bWindowsNTLine; }

int CZrAddrResolution::IsTimeOuted() const { return m_bTimeOuted; }

int CZrAddrResolution::IsTimeOutedForHost() const { return m_bTimeOutedForHost; }
