// The address store: per printer or port name, the address text the
// application wants the library to use, kept as string values under
// HKEY_CURRENT_USER\<c_lpszKeyPath_AddrRes>. Value names are the printer-
// friendly form of the names given (\\srv\queue is stored as "queue on srv").
// Every failure is thrown as NZrAddrRes::CError, after its message has been
// written to the log; the caller learns only that the operation failed.
#pragma once

#include "framework/CString.h"
#include "portmon/RegKeyHolder.h"
#include "resolver/ZrAddrResExport.h"

#if defined(__GNUC__)
#define ZRSTORE_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ZRSTORE_PRINTF(fmt, args)
#endif


namespace NZrAddrRes {

// Carries nothing: building it formats the message and logs it at level 1.
class ZRADDRRES_API CError {
 public:
  // Member function: the implicit object parameter is argument 1.
  explicit CError(const char* format, ...) ZRSTORE_PRINTF(2, 3);
};

class ZRADDRRES_API CRegMgr {
 public:
  CRegMgr();
  // Copying and assigning move the key: the source keeps its opened flag but
  // no longer holds a key, so its Add, Get and Remove fail.
  CRegMgr(CRegMgr& other);
  CRegMgr& operator=(CRegMgr& other);
  ~CRegMgr();

  void OpenForRead();   // the existing key, for Get
  void OpenForWrite();  // the key, created if missing, for Add and Remove
  bool IsOpened() const;
  void Close();  // never throws; a failed close is logged only

  // Use whatever key the object holds, whatever the opened flag says.
  void Add(const char* name, const char* value) const;
  void Get(const char* name, CString& value) const;
  void Remove(const char* name) const;

  // Moves the text of one entry to another name (get, add, remove; not atomic).
  static void Rename(const char* oldName, const char* newName);

 private:
  friend class CRegMgrTesting;  // tests reach the held key to make its close fail

  void OpenExisting(unsigned long access);

  bool m_bOpened;
  CRegKeyHolder m_key;  // a key handle belongs to exactly one store object
};

}  // namespace NZrAddrRes
