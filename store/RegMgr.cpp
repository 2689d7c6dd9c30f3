#include "store/RegMgr.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/Registry.h"
#include "portmon/RegKeyHolder.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"
#include "vdoem/VdOem.h"

namespace NZrAddrRes {

namespace {

CString ValueNameOf(const char* name) {
  CString friendly;
  CZrAddrResolution::MakePrinterFriendlyName(name, friendly);
  return friendly;
}

}  // namespace

CError::CError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  std::vector<char> message(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
  if (length > 0) std::vsnprintf(message.data(), message.size(), format, args);
  va_end(args);
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "%s", message.data());
}

CRegMgr::CRegMgr() : m_bOpened(false) {}

CRegMgr::CRegMgr(CRegMgr& other) : m_bOpened(other.m_bOpened) {
  REGSAM view = other.m_key.View();
  m_key.Attach(other.m_key.Detach(), view);
}

CRegMgr& CRegMgr::operator=(CRegMgr& other) {
  m_bOpened = other.m_bOpened;
  if (m_key.Key() == other.m_key.Key()) return *this;  // the same object, or neither holds a key
  m_key.Close();  // silently: its result is of no use to anyone here
  REGSAM view = other.m_key.View();
  m_key.Attach(other.m_key.Detach(), view);
  return *this;
}

CRegMgr::~CRegMgr() {
  if (m_bOpened) Close();
  m_key.Close();  // a key still held closes without a log line
}

void CRegMgr::OpenForRead() { OpenExisting(KEY_QUERY_VALUE); }

void CRegMgr::OpenExisting(unsigned long access) {
  LONG result = m_key.Open(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, static_cast<REGSAM>(access));
  if (result != ERROR_SUCCESS) {
    throw CError("Fail to open ZrAddrRes registry key (%s): LastErr = %ld", c_lpszKeyPath_AddrRes,
                 static_cast<long>(result));
  }
  m_bOpened = true;
}

void CRegMgr::OpenForWrite() {
  LONG result = m_key.Create(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_SET_VALUE, nullptr, nullptr);
  if (result != ERROR_SUCCESS) {
    throw CError("Fail to open ZrAddrRes registry key (%s) for write: LastErr = %ld", c_lpszKeyPath_AddrRes,
                 static_cast<long>(result));
  }
  m_bOpened = true;
}

bool CRegMgr::IsOpened() const { return m_bOpened; }

void CRegMgr::Close() {
  LONG result = m_key.Close();
  if (result != ERROR_SUCCESS) {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "Fail to close ZrAddrRes registry key: LastErr = %ld",
                                          static_cast<long>(result));
  }
  m_bOpened = false;
}

void CRegMgr::Add(const char* name, const char* value) const {
  CString valueName = ValueNameOf(name);
  LONG result = ERROR_INVALID_DATA;
  if (value != nullptr) {
    result = RegSetValueExA(m_key.Key(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(std::strlen(value) + 1));
  }
  if (result != ERROR_SUCCESS) {
    throw CError("Fail to add ZrAddrRes registry entry: %s %s: LastErr = %ld", static_cast<const char*>(valueName),
                 value != nullptr ? value : "(null)", static_cast<long>(result));
  }
}

void CRegMgr::Get(const char* name, CString& value) const {
  CString valueName = ValueNameOf(name);
  char data[1024];
  DWORD size = sizeof data;
  DWORD type = REG_NONE;
  LONG result = RegQueryValueExA(m_key.Key(), valueName, nullptr, &type, reinterpret_cast<LPBYTE>(data), &size);
  if (result == ERROR_SUCCESS) {
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
      result = ERROR_INVALID_DATA;
    } else if (size != 0 && data[size - 1] != '\0') {
      result = ERROR_INVALID_DATA;
    }
  }
  if (result != ERROR_SUCCESS) {
    throw CError("Fail to get ZrAddrRes registry entry: %s: LastErr = %ld", static_cast<const char*>(valueName),
                 static_cast<long>(result));
  }
  value = size == 0 ? "" : data;
}

void CRegMgr::Remove(const char* name) const {
  CString valueName = ValueNameOf(name);
  LONG result = RegDeleteValueA(m_key.Key(), valueName);
  if (result != ERROR_SUCCESS) {
    throw CError("Fail to remove ZrAddrRes registry entry: %s: LastErr = %ld", static_cast<const char*>(valueName),
                 static_cast<long>(result));
  }
}

void CRegMgr::Rename(const char* oldName, const char* newName) {
  CRegMgr store;
  store.OpenExisting(KEY_QUERY_VALUE | KEY_SET_VALUE);
  CString text;
  store.Get(oldName, text);
  // Both names may lead to one value: the Remove would then delete what the
  // Add had just written. Only the registry's own rule says when they do (it
  // folds full-width letters too, which CompareNoCase leaves alone).
  if (zrplatform::SameRegistryName(ValueNameOf(oldName), ValueNameOf(newName))) return;
  store.Add(newName, text);
  store.Remove(oldName);
}

}  // namespace NZrAddrRes
