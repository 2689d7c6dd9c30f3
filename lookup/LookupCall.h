// One lookup call, shared by the caller that waits and the worker that looks
// up. The worker writes its results here and nowhere else; the caller copies
// them into the resolver only when it saw the worker end in time. So a worker
// abandoned after a time-out never touches the resolver, which may meanwhile
// serve a newer call or be destroyed.
#pragma once

#include <atomic>
#include <memory>

#include "framework/CString.h"
#include "platform/Types.h"

namespace zrlookup {

class CLookupCall {
 public:
  // Input: the host name (forward) or the address text (reverse).
  CString m_strInput;
  HMODULE m_hWs2_32 = nullptr;
  int m_bWindows95 = 0;

  // Output: the address (forward) or host name (reverse), and whether it was found.
  CString m_strOutput;
  int m_bResult = 0;

  // Set by the caller when it stops waiting.
  std::atomic<bool> m_bAbandoned{false};
  // Set by the worker when the process began to exit during its blocking call.
  bool m_bProcessExiting = false;
};

// The thread parameter: the worker's own reference to the call.
typedef std::shared_ptr<CLookupCall> LookupCallRef;

// The library's process-wide objects (the log session, the worker count) are
// destroyed at exit while a worker abandoned in a name-service call may still
// run. A worker touches them only between Enter and Leave; once the process
// has begun to exit, Enter refuses and the worker ends without touching them.
class ExitGuard {
 public:
  static bool Enter();
  static void Leave();
  // Called by the caller before it starts a worker: makes the objects a
  // worker uses, then registers the guard's closing at exit, which therefore
  // runs before any of them is destroyed.
  static void ArmOnce();
  // Workers between Enter and Leave right now (a worker that has counted
  // itself down is still inside until its last line is logged).
  static int Inside();
};

// Around a worker's blocking name-service call: out of the guard before it,
// back in after it; false (and the call marked) when the process is exiting.
void LeaveForBlockingCall();
bool ReturnFromBlockingCall(CLookupCall& call);

}  // namespace zrlookup
