// The one object through which the library touches the registry: it owns at
// most one open key and closes it when closed or destroyed. It reports every
// failure by the registry's code and never logs; callers decide what a
// failure means. A failed open keeps whatever key the holder already held.
#pragma once

#include "platform/Registry.h"

class CRegKeyHolder {
 public:
  CRegKeyHolder();
  ~CRegKeyHolder();

  LONG Open(HKEY parent, const char* subKey, REGSAM access);
  LONG Create(HKEY parent, const char* subKey, char* keyClass, DWORD options, REGSAM access,
              LPSECURITY_ATTRIBUTES security, unsigned long* disposition);
  // Reads a REG_SZ or REG_EXPAND_SZ (unexpanded) value into buffer; count is
  // the buffer's size in, the bytes returned (terminator included) out.
  LONG QueryStringValue(const char* valueName, char* buffer, unsigned long* count);
  LONG Close();

  // Hands the held key over: the caller owns it, and the holder is left empty
  // without closing it. Attach takes such a key (closing any held before).
  HKEY Detach();
  void Attach(HKEY key, REGSAM view);

  HKEY Key() const { return m_hKey; }
  REGSAM View() const { return m_samView; }

 private:
  CRegKeyHolder(const CRegKeyHolder&);
  CRegKeyHolder& operator=(const CRegKeyHolder&);

  // The two registry-view bits of an access mask (KEY_WOW64_32KEY, KEY_WOW64_64KEY).
  static const REGSAM kViewBits = 0x300;

  HKEY m_hKey;
  REGSAM m_samView;
  void* m_pTransaction;  // always null: no key is opened inside a registry transaction
};
