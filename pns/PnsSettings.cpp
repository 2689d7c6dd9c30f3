// The per-user PNS settings under the store key: "PNS" switches discovery
// on or off, "PNSServer" and "PNSDeviceAddress" record what the last
// discovery chose. None of them reports a failure: the discovery goes on
// with the caller's preset flag.
#include <cstring>

#include "portmon/RegKeyHolder.h"
#include "resolver/ZrAddrResolution.h"
#include "vdoem/VdOem.h"

namespace {

const REGSAM kPnsAccess = KEY_READ | KEY_WRITE;

// Writes one value into the store key, creating the key when it is missing.
void WritePnsValue(const char* name, DWORD type, const BYTE* data, DWORD size) {
  CRegKeyHolder key;
  if (key.Create(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, nullptr, REG_OPTION_NON_VOLATILE, kPnsAccess, nullptr,
                 nullptr) != ERROR_SUCCESS) {
    return;
  }
  RegSetValueExA(key.Key(), name, 0, type, data, size);
}

void WritePnsText(const char* name, const char* text) {
  if (text == nullptr) return;
  WritePnsValue(name, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
}

}  // namespace

void CZrAddrResolution::GetPNSUseFlag(unsigned long& flag) const {
  CRegKeyHolder key;
  // No key: the preset stands, and nothing is created here.
  if (key.Open(HKEY_CURRENT_USER, c_lpszKeyPath_AddrRes, kPnsAccess) != ERROR_SUCCESS) return;
  DWORD value = 0;
  DWORD size = sizeof value;
  DWORD type = REG_NONE;
  if (RegQueryValueExA(key.Key(), "PNS", nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) == ERROR_SUCCESS &&
      type == REG_DWORD) {
    flag = value;
    return;
  }
  SetPNSUseFlag(1);
}

void CZrAddrResolution::SetPNSUseFlag(unsigned long flag) const {
  DWORD value = static_cast<DWORD>(flag);
  WritePnsValue("PNS", REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

void CZrAddrResolution::SetPNSServer(const char* server) const { WritePnsText("PNSServer", server); }

void CZrAddrResolution::SetPNSDevice(const char* device) const { WritePnsText("PNSDeviceAddress", device); }
