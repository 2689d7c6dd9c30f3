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

// Threads as handles: created (optionally suspended), resumed, waited for,
// their exit code read; handles duplicated and closed independently.
#define WINAPI
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID lpThreadParameter);
typedef std::size_t SIZE_T;
typedef HANDLE* LPHANDLE;
struct SECURITY_ATTRIBUTES;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

#define CREATE_SUSPENDED 0x00000004
#define INFINITE 0xFFFFFFFF
#define WAIT_OBJECT_0 0x00000000L
#define WAIT_TIMEOUT 0x00000102L
#define WAIT_FAILED 0xFFFFFFFF
#define STILL_ACTIVE 259
#define DUPLICATE_SAME_ACCESS 0x00000002
#define THREAD_PRIORITY_NORMAL 0

HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                    LPDWORD lpThreadId);
DWORD ResumeThread(HANDLE hThread);
DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode);
HANDLE GetCurrentProcess();
BOOL DuplicateHandle(HANDLE hSourceProcessHandle, HANDLE hSourceHandle, HANDLE hTargetProcessHandle,
                     LPHANDLE lpTargetHandle, DWORD dwDesiredAccess, BOOL bInheritHandle, DWORD dwOptions);
BOOL CloseHandle(HANDLE hObject);

// Thread message queues, as far as the quit message goes: a queue exists once
// its thread has peeked at it; posting to a thread without one fails.
typedef std::uintptr_t WPARAM;
typedef std::intptr_t LPARAM;
#define WM_QUIT 0x0012
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

struct POINT {
  LONG x;
  LONG y;
};
struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;
  POINT pt;
};
typedef MSG* LPMSG;

BOOL PostThreadMessageA(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam);
BOOL PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg);
#endif

namespace zrplatform {

// Keeps the module that holds `address` loaded until the thread that asked
// ends through ExitThreadReleasingModule (Windows); null where nothing is held.
HMODULE HoldModuleOf(const void* address);
// Ends the calling thread with `code`, dropping the hold taken by HoldModuleOf
// on the way out, so the module's code is never unloaded under the thread.
// Returns only where there is nothing to drop (the caller then returns code).
void ExitThreadReleasingModule(HMODULE module, DWORD code);

// Reads a 32-bit counter that other threads change under a lock, without
// taking the lock: an aligned read, made visible to the thread sanitizer.
int AtomicRead(const int* value);
// Adds delta to a counter that AtomicRead reads without a lock; returns the new value.
int AtomicAdd(int* value, int delta);

}  // namespace zrplatform
