// POSIX spooler: the printers of a Windows registry, read where Windows keeps
// them. A printer handle is a heap object naming the printer; the record is
// read afresh by every GetPrinterA, so a port changed meanwhile is seen.
#include "platform/Spooler.h"

#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Modules.h"
#include "platform/Registry.h"

namespace {

const char kPrintersKey[] = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";

struct OpenPrinter {
  std::string name;
};

// Live handles; a closed or made-up one is not in the set and gives
// ERROR_INVALID_HANDLE instead of a crash. Never destroyed, so a handle
// closed during process exit still finds it.
struct HandleSet {
  std::mutex mutex;
  std::unordered_set<const OpenPrinter*> printers;
};

HandleSet& Handles() {
  static HandleSet* set = new HandleSet;
  return *set;
}

bool IsOpen(const OpenPrinter* printer) {
  HandleSet& handles = Handles();
  std::lock_guard<std::mutex> lock(handles.mutex);
  return handles.printers.count(printer) == 1;
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

// True when the name holds a backslash of its own. A double-byte character
// of the ANSI code page may have 0x5C as its second byte (表, ソ, 能 in 932):
// that is part of the character, not a separator.
bool HasBackslash(const char* name) {
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '\\') return true;
    if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] != '\0') ++p;
  }
  return false;
}

// The printer's key, or null. A backslash would reach another key than the
// printer's own; such names are remote connections on Windows, not offered here.
HKEY OpenPrinterKey(const char* name) {
  if (name == nullptr || *name == '\0' || HasBackslash(name)) return nullptr;
  HKEY key = nullptr;
  std::string path = std::string(kPrintersKey) + name;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return nullptr;
  return key;
}

// A string value up to its first NUL; the empty text when it is missing or not a string.
std::string ReadText(HKEY key, const char* valueName) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::string();
  if (type != REG_SZ && type != REG_EXPAND_SZ) return std::string();
  std::vector<BYTE> data(size + 1, 0);
  if (RegQueryValueExA(key, valueName, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) return std::string();
  return std::string(reinterpret_cast<const char*>(data.data()));
}

}  // namespace

BOOL OpenPrinterA(LPSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSA) {
  if (phPrinter == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *phPrinter = nullptr;
  HKEY key = OpenPrinterKey(pPrinterName);
  if (key == nullptr) return Fail(ERROR_INVALID_PRINTER_NAME);
  RegCloseKey(key);
  OpenPrinter* printer = new OpenPrinter{pPrinterName};
  HandleSet& handles = Handles();
  std::lock_guard<std::mutex> lock(handles.mutex);
  handles.printers.insert(printer);
  *phPrinter = printer;
  return TRUE;
}

BOOL GetPrinterA(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
  const OpenPrinter* printer = static_cast<const OpenPrinter*>(hPrinter);
  if (printer == nullptr || !IsOpen(printer)) return Fail(ERROR_INVALID_HANDLE);
  if (Level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (pcbNeeded == nullptr) return Fail(ERROR_INVALID_PARAMETER);

  HKEY key = OpenPrinterKey(printer->name.c_str());
  if (key == nullptr) return Fail(ERROR_INVALID_PRINTER_NAME);  // deleted since it was opened
  std::string port = ReadText(key, "Port");
  RegCloseKey(key);

  // As Windows does: the record, then its strings in the same buffer.
  const std::string& name = printer->name;
  const std::size_t needed = sizeof(PRINTER_INFO_2A) + name.size() + 1 + port.size() + 1;
  *pcbNeeded = static_cast<DWORD>(needed);
  if (pPrinter == nullptr || cbBuf < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);

  char* strings = reinterpret_cast<char*>(pPrinter) + sizeof(PRINTER_INFO_2A);
  PRINTER_INFO_2A info = {};
  info.pPrinterName = strings;
  std::memcpy(strings, name.c_str(), name.size() + 1);
  strings += name.size() + 1;
  info.pPortName = strings;
  std::memcpy(strings, port.c_str(), port.size() + 1);
  // The caller's buffer need not be aligned for the record.
  std::memcpy(pPrinter, &info, sizeof info);
  return TRUE;
}

BOOL ClosePrinter(HANDLE hPrinter) {
  OpenPrinter* printer = static_cast<OpenPrinter*>(hPrinter);
  {
    HandleSet& handles = Handles();
    std::lock_guard<std::mutex> lock(handles.mutex);
    if (printer == nullptr || handles.printers.erase(printer) != 1) return Fail(ERROR_INVALID_HANDLE);
  }
  delete printer;
  return TRUE;
}

BOOL EnumPortsA(LPSTR, DWORD Level, LPBYTE, DWORD, LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (Level != 2) return Fail(ERROR_INVALID_LEVEL);
  if (pcbNeeded == nullptr || pcReturned == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  *pcbNeeded = 0;
  *pcReturned = 0;
  return TRUE;
}
