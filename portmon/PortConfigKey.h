// What the port readers share: a monitor's configuration key under
// HKEY_LOCAL_MACHINE, opened for reading, and the one value buffer every read
// goes into.
#pragma once

#include "portmon/RegKeyHolder.h"

namespace zrportmon {

class CPortConfigKey {
 public:
  // 259 characters and the terminator fit; a longer value is not read.
  static const unsigned long kValueBufferSize = 260;

  CPortConfigKey();

  // Opens the key itself (the TQP monitors keep one value per port in it).
  bool Open(const char* keyPath);
  // Opens the port's subkey below a monitor's "Ports" key. A null or empty
  // port name names no port: the path would end in a backslash and stand for
  // the "Ports" key itself, so nothing is opened.
  bool OpenPort(const char* monitorPortsKey, const char* port);

  // Reads a string value (REG_SZ, or REG_EXPAND_SZ unexpanded) that ends in
  // its terminator. An empty value reads as the empty text. After a failed
  // read Text() is the empty text, never a half-read or unterminated one.
  bool Read(const char* valueName);
  const char* Text() const { return m_szValue; }

 private:
  CRegKeyHolder m_key;  // closed when the reader's call ends
  char m_szValue[kValueBufferSize];
};

}  // namespace zrportmon
