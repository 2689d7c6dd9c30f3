// The count of name-lookup worker threads still running in the library, so
// that an application can wait until none is left before it unloads it.
#pragma once

#include "platform/Threads.h"
#include "resolver/ZrAddrResExport.h"

// Holds one platform critical section (recursive on one thread).
class ZRADDRRES_API CThredCheckCriticalSection {
 public:
  CThredCheckCriticalSection();
  ~CThredCheckCriticalSection();
  void lock() const;
  void unlock() const;

 private:
  CThredCheckCriticalSection(const CThredCheckCriticalSection&);
  CThredCheckCriticalSection& operator=(const CThredCheckCriticalSection&);

  mutable CRITICAL_SECTION m_cs;
};

class ZRADDRRES_API CThreadChecker {
 public:
  CThreadChecker(const CThreadChecker& other);
  CThreadChecker& operator=(const CThreadChecker& other);
  virtual ~CThreadChecker();

  static CThreadChecker& GetInstance();
  void IncrementCounter();
  void DecrementCounter();
  int GetCount() const;
  // Blocks until the process-wide count (the instance's, even when called on
  // a copy) is 0 or less, looking once a second.
  void WaitForRunningThread() const;

 private:
  CThreadChecker();

  int m_nCount;
  static CThredCheckCriticalSection m_objCS;
};
