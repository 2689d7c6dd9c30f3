#include "lookup/ThreadChecker.h"

CThredCheckCriticalSection::CThredCheckCriticalSection() { InitializeCriticalSection(&m_cs); }

CThredCheckCriticalSection::~CThredCheckCriticalSection() { DeleteCriticalSection(&m_cs); }

void CThredCheckCriticalSection::lock() const { EnterCriticalSection(&m_cs); }

void CThredCheckCriticalSection::unlock() const { LeaveCriticalSection(&m_cs); }

// Constructed when the library is loaded, before any code below can run.
CThredCheckCriticalSection CThreadChecker::m_objCS;

CThreadChecker::CThreadChecker() : m_nCount(0) {}

CThreadChecker::CThreadChecker(const CThreadChecker& other) : m_nCount(other.m_nCount) {}

CThreadChecker& CThreadChecker::operator=(const CThreadChecker& other) {
  m_nCount = other.m_nCount;
  return *this;
}

CThreadChecker::~CThreadChecker() {}

CThreadChecker& CThreadChecker::GetInstance() {
  m_objCS.lock();
  static CThreadChecker instance;
  m_objCS.unlock();
  return instance;
}

void CThreadChecker::IncrementCounter() {
  m_objCS.lock();
  zrplatform::AtomicAdd(&m_nCount, 1);  // GetCount reads without the lock
  m_objCS.unlock();
}

void CThreadChecker::DecrementCounter() {
  m_objCS.lock();
  zrplatform::AtomicAdd(&m_nCount, -1);
  m_objCS.unlock();
}

int CThreadChecker::GetCount() const {
  // An aligned 32-bit read without the lock, as the count's readers expect.
  return zrplatform::AtomicRead(&m_nCount);
}

void CThreadChecker::WaitForRunningThread() const {
  for (;;) {
    const CThreadChecker& instance = GetInstance();
    if (instance.GetCount() <= 0) return;
    Sleep(1000);
  }
}
