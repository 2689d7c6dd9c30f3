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

// Starts proc on a suspended worker thread with its own reference to the call,
// starts it through duplicateAndResume (the resolver's), and waits up to
// timeout milliseconds on the duplicate handle, which it closes.
WorkerWait StartAndWait(AFX_THREADPROC proc, const LookupCallRef& call,
                        const std::function<int(CWinThread&, HANDLE&)>& duplicateAndResume, unsigned long timeout);

// The worker thread's frame around a lookup body: counts the worker in
// CThreadChecker and logs the count before and after, whatever the outcome.
unsigned int RunCounted(CLookupCall& call, unsigned long (*body)(CLookupCall&));

}  // namespace zrlookup
