#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "lookup/LookupCall.h"
#include "lookup/ThreadChecker.h"
#include "resolver/LogSession.h"

namespace zrlookup {

namespace {

// Trivially destructible, so they stay usable to the very end of the process.
std::atomic<int> g_inside{0};
std::atomic<bool> g_exiting{false};

void CloseAtExit() {
  g_exiting.store(true);
  // Let workers that are logging right now finish their line; none waits
  // inside (the name-service call is made outside the guard).
  for (int i = 0; i < 2000 && g_inside.load() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

bool ExitGuard::Enter() {
  g_inside.fetch_add(1);
  if (g_exiting.load()) {
    g_inside.fetch_sub(1);
    return false;
  }
  return true;
}

void ExitGuard::Leave() { g_inside.fetch_sub(1); }

int ExitGuard::Inside() { return g_inside.load(); }

void ExitGuard::ArmOnce() {
  // Exit handlers run in the reverse order of registration: registered after
  // the objects the workers use were made, this one runs before they go.
  // The worker-count lock is made when the library is loaded; the count and
  // the log session are made here, on the caller's thread, before the first
  // worker exists.
  static std::once_flag armed;
  std::call_once(armed, [] {
    CThreadChecker::GetInstance();
    NLogZrAddrRes::GetSession();
    std::atexit(&CloseAtExit);
  });
}

void LeaveForBlockingCall() { ExitGuard::Leave(); }

bool ReturnFromBlockingCall(CLookupCall& call) {
  call.m_bProcessExiting = !ExitGuard::Enter();
  return !call.m_bProcessExiting;
}

}  // namespace zrlookup
