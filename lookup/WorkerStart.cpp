#include "lookup/WorkerStart.h"

#include "lookup/ThreadChecker.h"
#include "resolver/LogSession.h"

namespace zrlookup {

WorkerWait StartAndWait(AFX_THREADPROC proc, const LookupCallRef& call, const WorkerSteps& steps) {
  // Before any worker exists, so no process can exit under a worker that
  // the guard does not yet cover.
  ExitGuard::ArmOnce();
  LookupCallRef* workerReference = new LookupCallRef(call);
  CWinThread* thread = AfxBeginThread(proc, workerReference, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED, nullptr);
  if (thread == nullptr) {
    delete workerReference;
    return WorkerWait::Failed;
  }
  // Taken now: once resumed, the thread object may delete itself at any time.
  DWORD threadId = thread->m_nThreadID;
  HANDLE handle = nullptr;
  if (!steps.duplicateAndResume(*thread, handle)) {
    // A worker that did start must not write anything anyone reads.
    call->m_bAbandoned = true;
    if (handle) CloseHandle(handle);
    return WorkerWait::Failed;
  }

  DWORD waited = WaitForSingleObject(handle, static_cast<DWORD>(steps.timeout()));
  if (waited == WAIT_TIMEOUT) steps.timedOut();
  if (waited != WAIT_OBJECT_0) {
    call->m_bAbandoned = true;
    DWORD exitCode = 0;
    if (GetExitCodeThread(handle, &exitCode) && exitCode == STILL_ACTIVE) {
      PostThreadMessageA(threadId, WM_QUIT, 0, 0);
    }
  }
  CloseHandle(handle);
  if (waited == WAIT_OBJECT_0) return WorkerWait::Ended;
  return waited == WAIT_TIMEOUT ? WorkerWait::TimedOut : WorkerWait::Failed;
}

unsigned int RunCounted(CLookupCall& call, unsigned long (*body)(CLookupCall&)) {
  if (!ExitGuard::Enter()) return 0xFFFFFFFEu;
  CThreadChecker& checker = CThreadChecker::GetInstance();

  checker.IncrementCounter();
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "Number of Running Threads: %d", checker.GetCount());
  unsigned long result = body(call);
  if (call.m_bProcessExiting) return static_cast<unsigned int>(result);  // nothing of ours may be touched now
  checker.DecrementCounter();
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "Number of Running Threads: %d", checker.GetCount());
  ExitGuard::Leave();
  return static_cast<unsigned int>(result);
}

}  // namespace zrlookup
