#include "portmon/PortConfigKey.h"

#include <cstring>

#include "portmon/PortNameParsing.h"

namespace zrportmon {

namespace {

const REGSAM kReadAccess = 0x20019;  // KEY_READ

}  // namespace

CPortConfigKey::CPortConfigKey() { std::memset(m_szValue, 0, sizeof m_szValue); }

bool CPortConfigKey::Open(const char* keyPath) {
  return m_key.Open(HKEY_LOCAL_MACHINE, keyPath, kReadAccess) == ERROR_SUCCESS;
}

bool CPortConfigKey::OpenPort(const char* monitorPortsKey, const char* port) {
  if (port == nullptr || *port == '\0') return false;
  return Open(PortKeyPath(monitorPortsKey, port));
}

bool CPortConfigKey::Read(const char* valueName) {
  unsigned long count = sizeof m_szValue;
  if (m_key.QueryStringValue(valueName, m_szValue, &count) == ERROR_SUCCESS) return true;
  // The registry may have written part of a value it then refused (a number,
  // an unterminated or over-long string).
  std::memset(m_szValue, 0, sizeof m_szValue);
  return false;
}

}  // namespace zrportmon
