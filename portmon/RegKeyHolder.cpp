#include "portmon/RegKeyHolder.h"

CRegKeyHolder::CRegKeyHolder() : m_hKey(nullptr), m_samView(0), m_pTransaction(nullptr) {}

CRegKeyHolder::~CRegKeyHolder() { Close(); }

LONG CRegKeyHolder::Open(HKEY parent, const char* subKey, REGSAM access) {
  HKEY key = nullptr;
  LONG result = RegOpenKeyExA(parent, subKey, 0, access, &key);
  if (result != ERROR_SUCCESS) return result;
  result = Close();
  m_hKey = key;
  m_samView = access & kViewBits;
  return result;
}

LONG CRegKeyHolder::Create(HKEY parent, const char* subKey, char* keyClass, DWORD options, REGSAM access,
                           LPSECURITY_ATTRIBUTES security, unsigned long* disposition) {
  HKEY key = nullptr;
  DWORD created = 0;
  LONG result = RegCreateKeyExA(parent, subKey, 0, keyClass, options, access, security, &key, &created);
  if (result != ERROR_SUCCESS) return result;
  if (disposition) *disposition = created;
  result = Close();
  m_hKey = key;
  m_samView = access & kViewBits;
  return result;
}

LONG CRegKeyHolder::QueryStringValue(const char* valueName, char* buffer, unsigned long* count) {
  unsigned long capacity = *count;
  *count = 0;
  DWORD type = 0;
  DWORD size = static_cast<DWORD>(capacity);
  LONG result = RegQueryValueExA(m_hKey, valueName, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
  if (result != ERROR_SUCCESS) return result;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
  if (buffer != nullptr && size != 0 && buffer[size - 1] != '\0') return ERROR_INVALID_DATA;
  if (buffer != nullptr && size == 0 && capacity > 0) buffer[0] = '\0';
  *count = size;
  return ERROR_SUCCESS;
}

LONG CRegKeyHolder::Close() {
  LONG result = ERROR_SUCCESS;
  if (m_hKey != nullptr) {
    result = RegCloseKey(m_hKey);
    m_hKey = nullptr;
  }
  m_samView = 0;
  return result;
}

HKEY CRegKeyHolder::Detach() {
  HKEY key = m_hKey;
  m_hKey = nullptr;
  m_samView = 0;
  m_pTransaction = nullptr;
  return key;
}

void CRegKeyHolder::Attach(HKEY key, REGSAM view) {
  Close();
  m_hKey = key;
  m_samView = view & kViewBits;
}
