#include "framework/WinThread.h"

#include "platform/Modules.h"

namespace {

DWORD WINAPI ThreadEntry(LPVOID argument) {
  CWinThread* thread = static_cast<CWinThread*>(argument);
  HMODULE held = thread->m_hHeldModule;
  unsigned int code = thread->m_pfnThreadProc(thread->m_pThreadParams);
  if (thread->m_bAutoDelete) delete thread;
  zrplatform::ExitThreadReleasingModule(held, code);
  return code;
}

}  // namespace

CWinThread::CWinThread(AFX_THREADPROC proc, void* parameter)
    : m_hThread(nullptr), m_nThreadID(0), m_bAutoDelete(1), m_pfnThreadProc(proc), m_pThreadParams(parameter),
      m_hHeldModule(nullptr) {}

CWinThread::~CWinThread() {
  if (m_hThread) CloseHandle(m_hThread);
}

DWORD CWinThread::ResumeThread() { return ::ResumeThread(m_hThread); }

CWinThread* AfxBeginThread(AFX_THREADPROC proc, void* parameter, int, unsigned stackSize, DWORD flags,
                           LPSECURITY_ATTRIBUTES security) {
  CWinThread* thread = new CWinThread(proc, parameter);
  // Held here, on the caller's thread, while the library is surely loaded;
  // the thread drops the hold as it exits.
  thread->m_hHeldModule = zrplatform::HoldModuleOf(reinterpret_cast<const void*>(&ThreadEntry));
  // Always created suspended, so the object is complete before the thread can delete it.
  thread->m_hThread = CreateThread(security, stackSize, &ThreadEntry, thread, CREATE_SUSPENDED, &thread->m_nThreadID);
  if (thread->m_hThread == nullptr) {
    if (thread->m_hHeldModule) FreeLibrary(thread->m_hHeldModule);
    delete thread;
    return nullptr;
  }
  if (!(flags & CREATE_SUSPENDED)) thread->ResumeThread();
  return thread;
}
