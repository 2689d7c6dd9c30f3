// The framework's worker threads: a thread object that owns the thread's
// handle and, by default, deletes itself (closing the handle) when the thread
// ends. While it runs, the thread keeps the library's module loaded, so an
// application that unloads the library under a still-running worker does not
// pull the code out from under it.
#pragma once

#include "framework/FrameworkExport.h"
#include "platform/Threads.h"

typedef unsigned int (*AFX_THREADPROC)(void* parameter);

class ZRFRAMEWORK_API CWinThread {
 public:
  CWinThread(AFX_THREADPROC proc, void* parameter);
  virtual ~CWinThread();

  DWORD ResumeThread();

  HANDLE m_hThread;
  DWORD m_nThreadID;
  int m_bAutoDelete;
  AFX_THREADPROC m_pfnThreadProc;
  void* m_pThreadParams;
  HMODULE m_hHeldModule;  // the library, kept loaded for the thread's life

 private:
  CWinThread(const CWinThread&);
  CWinThread& operator=(const CWinThread&);
};

// Starts proc(parameter) on a new thread (suspended when flags has
// CREATE_SUSPENDED). Null when the thread could not be created.
ZRFRAMEWORK_API CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* parameter, int priority = THREAD_PRIORITY_NORMAL,
                                           unsigned stackSize = 0, DWORD flags = 0,
                                           LPSECURITY_ATTRIBUTES security = nullptr);
