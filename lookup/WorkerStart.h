// Starting a lookup worker and waiting for it: shared by the forward and the
// reverse lookup, which differ only in what they log and keep.
#pragma once

#include <functional>

#include "framework/WinThread.h"
#include "lookup/LookupCall.h"

namespace zrlookup {

enum class WorkerWait {
  Ended,     // the worker ended within the time-out: the call's results are complete
  TimedOut,  // the worker is abandoned and told to quit
  Failed,    // not started, or the wait failed (abandoned as well)
};

// What each lookup does at the steps of the start and the wait.
struct WorkerSteps {
  // The resolver's thread start: duplicates the handle and resumes the thread.
  std::function<int(CWinThread&, HANDLE&)> duplicateAndResume;
  // The wait in milliseconds, asked once the worker runs (a setting read
  // and logged then, not for a worker that never started).
  std::function<unsigned long()> timeout;
  // Said when the wait ran out, before the worker is told to quit, so its
  // quit line always comes after this.
  std::function<void()> timedOut;
};

// Starts proc on a suspended worker thread with its own reference to the call,
// starts it through steps.duplicateAndResume, and waits up to steps.timeout()
// milliseconds on the duplicate handle, which it closes.
WorkerWait StartAndWait(AFX_THREADPROC proc, const LookupCallRef& call, const WorkerSteps& steps);

// The worker thread's frame around a lookup body: counts the worker in
// CThreadChecker and logs the count before and after, whatever the outcome.
unsigned int RunCounted(CLookupCall& call, unsigned long (*body)(CLookupCall&));

}  // namespace zrlookup
