// Spooler service: the winspool calls that tell which port a printer prints
// to, and which ports the spooler itself knows. On POSIX the printers are read from the registry where Windows
// keeps them, value "Port" of the key
//   HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\<printer name>
// Only printers of this machine exist (no "\\server\printer" connections, no
// handle for the print server itself).
#pragma once

#include "platform/Types.h"

#if !defined(_WIN32)

typedef HANDLE* LPHANDLE;
typedef void* PSECURITY_DESCRIPTOR;
struct DEVMODEA;
typedef DEVMODEA* LPDEVMODEA;

typedef struct _PRINTER_DEFAULTSA {
  LPSTR pDatatype;
  LPDEVMODEA pDevMode;
  ACCESS_MASK DesiredAccess;
} PRINTER_DEFAULTSA, *PPRINTER_DEFAULTSA, *LPPRINTER_DEFAULTSA;

// Windows' field order. GetPrinterA fills pPrinterName and pPortName; the
// other fields are null or 0.
typedef struct _PRINTER_INFO_2A {
  LPSTR pServerName;
  LPSTR pPrinterName;
  LPSTR pShareName;
  LPSTR pPortName;
  LPSTR pDriverName;
  LPSTR pComment;
  LPSTR pLocation;
  LPDEVMODEA pDevMode;
  LPSTR pSepFile;
  LPSTR pPrintProcessor;
  LPSTR pDatatype;
  LPSTR pParameters;
  PSECURITY_DESCRIPTOR pSecurityDescriptor;
  DWORD Attributes;
  DWORD Priority;
  DWORD DefaultPriority;
  DWORD StartTime;
  DWORD UntilTime;
  DWORD Status;
  DWORD cJobs;
  DWORD AveragePPM;
} PRINTER_INFO_2A, *PPRINTER_INFO_2A, *LPPRINTER_INFO_2A;

// Windows' field order.
typedef struct _PORT_INFO_2A {
  LPSTR pPortName;
  LPSTR pMonitorName;
  LPSTR pDescription;
  DWORD fPortType;
  DWORD Reserved;
} PORT_INFO_2A, *PPORT_INFO_2A, *LPPORT_INFO_2A;

#define ERROR_INVALID_LEVEL 124L

// Failures set the last error (GetLastError, platform/Modules.h): 1801 for a
// printer that does not exist, 122 with the size needed for too small a
// buffer, 124 for a level other than 2, 6 for a handle that is not open.
BOOL OpenPrinterA(LPSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSA pDefault);
BOOL GetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded);
BOOL ClosePrinter(HANDLE hPrinter);
// The ports of the spooler's monitors, level 2 only (PORT_INFO_2A). There is
// no spooler on POSIX: no monitor of its own (no local ports), and the ports
// the registry configures are the port monitors' own, which the library
// reads; so it reports none, with success.
BOOL EnumPortsA(LPSTR pName, DWORD Level, LPBYTE pPort, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned);

#endif
