// Thread service: critical sections, sleeping and thread ids.
#pragma once

#include "platform/Types.h"

#if !defined(_WIN32)
#include <pthread.h>

// Recursive on one thread, as Windows' critical sections are.
struct CRITICAL_SECTION {
  pthread_mutex_t mutex;
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection);
void Sleep(DWORD dwMilliseconds);
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();
#endif

namespace zrplatform {

// Reads a 32-bit counter that other threads change under a lock, without
// taking the lock: an aligned read, made visible to the thread sanitizer.
int AtomicRead(const int* value);

}  // namespace zrplatform
