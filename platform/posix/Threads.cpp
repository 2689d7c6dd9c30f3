// POSIX threads behind the Win32 thread calls: critical sections are recursive
// mutexes; a thread handle is a reference to a shared thread record that
// outlives the thread while handles to it remain.
//
// Starting a system thread costs several times a quick name lookup, so a
// thread that has ended stays parked for a while and runs the next thread
// created: a Win32 thread here is a logical thread, with an id of its own
// (never a reused one), its own message queue, and its own end that handles
// see, whichever system thread carries it.
#include "platform/Threads.h"

#include <sched.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>
#include <cstdio>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <limits.h>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/Modules.h"
#include "platform/posix/ThreadsTesting.h"

void InitializeCriticalSection(LPCRITICAL_SECTION cs) {
  pthread_mutexattr_t attr;
  pthread_mutexattr_init(&attr);
  pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&cs->mutex, &attr);
  pthread_mutexattr_destroy(&attr);
}

void DeleteCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_destroy(&cs->mutex); }

void EnterCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_lock(&cs->mutex); }

void LeaveCriticalSection(LPCRITICAL_SECTION cs) { pthread_mutex_unlock(&cs->mutex); }

void Sleep(DWORD milliseconds) {
  timespec wait{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

namespace {

// The logical thread running on this system thread (0 outside CreateThread's threads).
thread_local DWORD t_logicalThreadId = 0;

}  // namespace

DWORD GetCurrentThreadId() {
  return t_logicalThreadId != 0 ? t_logicalThreadId : static_cast<DWORD>(syscall(SYS_gettid));
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

namespace {

const DWORD kInvalidThreadId = 1444;  // ERROR_INVALID_THREAD_ID

struct ThreadRecord {
  std::mutex mutex;
  std::condition_variable changed;
  LPTHREAD_START_ROUTINE start = nullptr;
  LPVOID parameter = nullptr;
  DWORD suspendCount = 0;
  DWORD threadId = 0;
  bool finished = false;
  DWORD exitCode = STILL_ACTIVE;
  // Mirrors of suspendCount == 0 and finished, for a brief spin before sleeping.
  std::atomic<bool> running{false};
  std::atomic<bool> ended{false};
  bool carried = false;  // handed to a system thread (a suspended one is, once resumed)
  SIZE_T stackSize = 0;
  // The cores of the thread that created it, as a system thread inherits
  // them; empty when they could not be read.
  cpu_set_t affinity;
  std::atomic<int> references{0};  // open handles, plus the running thread
};

// What a HANDLE points to; the tag tells a live thread handle from anything else.
struct HandleRecord {
  static const std::uint32_t kLive = 0x54485244;  // "THRD"
  std::uint32_t tag = kLive;
  ThreadRecord* thread = nullptr;
};

void Release(ThreadRecord* thread) {
  if (thread->references.fetch_sub(1) == 1) delete thread;
}

HandleRecord* Live(HANDLE handle) {
  HandleRecord* record = static_cast<HandleRecord*>(handle);
  if (record == nullptr || handle == GetCurrentProcess() || record->tag != HandleRecord::kLive) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return record;
}

// Message queues by thread id; a thread's queue exists once it has peeked.
struct Queues {
  std::mutex mutex;
  std::unordered_map<DWORD, std::vector<MSG>> byThread;  // an empty queue allocates nothing
};
Queues& MessageQueues() {
  static Queues* queues = new Queues;  // never destroyed: threads may post while the process exits
  return *queues;
}

// A hand-over between two threads usually completes within microseconds, and
// a sleep on a condition variable costs a wake-up several times that: a
// waiter looks for a little while before it sleeps.
inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#else
  std::this_thread::yield();
#endif
}

// Threads of ours spinning right now: they show as running to the machine,
// but they give their core up as soon as what they wait for is there.
std::atomic<int> g_spinning{0};

// How many cores the process may use: its CPU quota (cgroup v2's cpu.max,
// or v1's cfs quota), rounded up; 0 when there is none.
long QuotaCores() {
  long long quota = -1;
  long long period = 0;
  if (FILE* file = std::fopen("/sys/fs/cgroup/cpu.max", "r")) {
    char text[32] = {};
    if (std::fscanf(file, "%31s %lld", text, &period) == 2 && std::strcmp(text, "max") != 0)
      quota = std::atoll(text);
    std::fclose(file);
  } else if (FILE* file = std::fopen("/sys/fs/cgroup/cpu/cpu.cfs_quota_us", "r")) {
    if (std::fscanf(file, "%lld", &quota) != 1) quota = -1;
    std::fclose(file);
    if (FILE* periodFile = std::fopen("/sys/fs/cgroup/cpu/cpu.cfs_period_us", "r")) {
      if (std::fscanf(periodFile, "%lld", &period) != 1) period = 0;
      std::fclose(periodFile);
    }
  }
  if (quota <= 0 || period <= 0) return 0;
  return static_cast<long>((quota + period - 1) / period);
}

long long NowMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Whether a core would stand idle for the thread awaited while the waiter
// spins. On a busy machine a spin only burns the time slice the other
// thread needs, so it is worth it only when the runnable tasks of the whole
// machine (this waiter among them) leave a core free. The cores counted are
// those the waiter may use, which the thread it awaits shares (a thread runs
// on its creator's cores): its affinity and the process's CPU quota, not
// every core online. With one core to use, a spin would hold the very core
// the other thread needs. Each reading is made at most every 10 ms: it costs
// a few system calls.
bool CoresToSpare() {
  static const long online = sysconf(_SC_NPROCESSORS_ONLN);
  static const long quota = QuotaCores();
  static std::atomic<long long> sampledAt{LLONG_MIN / 2};
  static std::atomic<long> running{LONG_MAX};
  thread_local long long t_coresSampledAt = LLONG_MIN / 2;
  thread_local long t_cores = 1;
  long long now = NowMicroseconds();
  long long at = sampledAt.load(std::memory_order_relaxed);
  if (now - at >= 10000 && sampledAt.compare_exchange_strong(at, now, std::memory_order_relaxed)) {
    long runnable = LONG_MAX;  // no reading: a sleep costs a wake-up, a wrong spin a time slice
    if (FILE* file = std::fopen("/proc/loadavg", "r")) {
      double load1, load5, load15;
      long total = 0;
      if (std::fscanf(file, "%lf %lf %lf %ld/%ld", &load1, &load5, &load15, &runnable, &total) != 5)
        runnable = LONG_MAX;
      std::fclose(file);
    }
    running.store(runnable, std::memory_order_relaxed);
  }
  if (now - t_coresSampledAt >= 10000) {
    t_coresSampledAt = now;
    t_cores = zrplatform::posix::CoresToUse(online, quota);
  }
  if (t_cores < 2) return false;
  long busy = running.load(std::memory_order_relaxed);
  return busy != LONG_MAX && busy - g_spinning.load(std::memory_order_relaxed) <= t_cores;
}

template <typename Ready>
bool SpinBriefly(Ready ready, std::chrono::microseconds limit) {
  if (!CoresToSpare()) return ready();
  struct Spinning {
    Spinning() { g_spinning.fetch_add(1, std::memory_order_relaxed); }
    ~Spinning() { g_spinning.fetch_sub(1, std::memory_order_relaxed); }
  } spinning;
  auto until = std::chrono::steady_clock::now() + limit;
  for (unsigned round = 0; !ready(); ++round) {
    // The clock is read now and then: the look itself must stay cheap.
    if ((round & 63) == 63 && std::chrono::steady_clock::now() >= until) return false;
    CpuRelax();
  }
  return true;
}

const std::chrono::microseconds kSpin(100);

// Ids above any kernel thread id, counted up: a posted message can only reach
// the logical thread it was meant for.
std::atomic<DWORD> g_nextThreadId{0x80000000u};

// A logical thread's end, whether it ran or could never be carried: its
// message queue goes, its waiters are told, and its own reference is let go.
void Finish(ThreadRecord* thread, DWORD code) {
  {
    Queues& queues = MessageQueues();
    std::lock_guard<std::mutex> lock(queues.mutex);
    queues.byThread.erase(thread->threadId);
  }
  {
    std::lock_guard<std::mutex> lock(thread->mutex);
    thread->finished = true;
    thread->exitCode = code;
    thread->ended.store(true);
  }
  // Told after the lock is let go, so a waiter that wakes does not at once
  // sleep again on the lock. The record lives on: this thread holds it.
  thread->changed.notify_all();
  Release(thread);
}

// Runs a logical thread on the calling system thread and gives its exit code;
// its end is told by Finish.
DWORD RunLogicalThread(ThreadRecord* thread) {
  SpinBriefly([thread] { return thread->running.load(); }, kSpin);
  {
    std::unique_lock<std::mutex> lock(thread->mutex);
    thread->changed.wait(lock, [thread] { return thread->suspendCount == 0; });
  }
  t_logicalThreadId = thread->threadId;
  DWORD code = thread->start(thread->parameter);
  t_logicalThreadId = 0;
  return code;
}

// A system thread waiting for a logical thread to carry: its own slot, so a
// hand-over wakes exactly the thread it is meant for. Records are reused,
// never freed, so a late notify always reaches a live object.
struct Carrier {
  pid_t tid = 0;
  cpu_set_t allowed;           // the cores it runs on now, as it last set or inherited them
  std::atomic<int> core{-1};   // where it last parked
  std::atomic<bool> gathered{false};
  std::mutex mutex;
  std::condition_variable handed;
  std::atomic<ThreadRecord*> next{nullptr};
  Carrier* spare = nullptr;  // the free list's link
};

// The system threads ready for work, last parked first: the newest is the
// one most likely still running, on the core its caller uses, with its stack
// warm, so a caller that starts one lookup after another usually hands each
// to the thread that just ended the last without waking anything, and the
// others are left to time out. Never destroyed: parked threads may still
// look at it while the process exits.
struct Parking {
  std::mutex mutex;
  std::vector<Carrier*> ready;
  Carrier* spare = nullptr;  // records of system threads that have ended
};
Parking& ThreadParking() {
  static Parking* parking = new Parking;
  return *parking;
}

// How long an idle system thread waits for work before it ends, and how many may wait.
const auto kParkTime = std::chrono::seconds(5);
const size_t kMaxParked = 32;

// Waits for a hand-over to this carrier; null when none came in time and the
// carrier has left the ready list.
ThreadRecord* AwaitHandOver(Carrier& carrier) {
  SpinBriefly([&carrier] { return carrier.next.load() != nullptr; }, kSpin);
  {
    std::unique_lock<std::mutex> lock(carrier.mutex);
    if (carrier.handed.wait_for(lock, kParkTime, [&carrier] { return carrier.next.load() != nullptr; }))
      return carrier.next.exchange(nullptr);
  }
  Parking& parking = ThreadParking();
  {
    std::lock_guard<std::mutex> lock(parking.mutex);
    auto self = std::find(parking.ready.begin(), parking.ready.end(), &carrier);
    if (self != parking.ready.end()) {
      parking.ready.erase(self);
      return nullptr;
    }
  }
  // Taken off the list just now: the hand-over is on its way.
  std::unique_lock<std::mutex> lock(carrier.mutex);
  carrier.handed.wait(lock, [&carrier] { return carrier.next.load() != nullptr; });
  return carrier.next.exchange(nullptr);
}

// A logical thread runs on the cores of the thread that created it, as a
// system thread it started would: whatever its carrier ran before, and once
// the carrier has it, wherever a hand-over sent the carrier. A system call
// only when they differ.
void TakeCoresOf(Carrier& carrier, const ThreadRecord& thread) {
  bool gathered = carrier.gathered.exchange(false);
  if (CPU_COUNT(&thread.affinity) == 0) return;
  if (!gathered && CPU_EQUAL(&carrier.allowed, &thread.affinity)) return;
  if (sched_setaffinity(0, sizeof thread.affinity, &thread.affinity) == 0) carrier.allowed = thread.affinity;
}

void* CarryThreads(void* argument) {
  ThreadRecord* thread = static_cast<ThreadRecord*>(argument);
  Parking& parking = ThreadParking();
  Carrier* carrier = nullptr;
  {
    std::lock_guard<std::mutex> lock(parking.mutex);
    if (parking.spare != nullptr) {
      carrier = parking.spare;
      parking.spare = carrier->spare;
    }
  }
  if (carrier == nullptr) carrier = new Carrier;
  carrier->tid = static_cast<pid_t>(syscall(SYS_gettid));
  if (sched_getaffinity(0, sizeof carrier->allowed, &carrier->allowed) != 0) CPU_ZERO(&carrier->allowed);
  while (thread != nullptr) {
    TakeCoresOf(*carrier, *thread);
    DWORD code = RunLogicalThread(thread);
    // Ready before the end is told: the waiter it wakes may start the next
    // thread at once, and then finds this one rather than waking another.
    carrier->core.store(sched_getcpu());
    bool parked = false;
    {
      std::lock_guard<std::mutex> lock(parking.mutex);
      if (parking.ready.size() < kMaxParked) {
        parking.ready.push_back(carrier);
        parked = true;
      }
    }
    Finish(thread, code);
    thread = parked ? AwaitHandOver(*carrier) : nullptr;
  }
  std::lock_guard<std::mutex> lock(parking.mutex);
  carrier->spare = parking.spare;
  parking.spare = carrier;
  return nullptr;
}

// On a machine with no core to spare, a parked thread woken on another core
// must take that core from a busy process, and so must its caller when it
// ends: two wake-ups that each wait for a time slice. The caller is about to
// sleep on this core, so the carrier is sent here, where it runs as soon as
// the caller sleeps. Both then stay together: this costs a system call only
// when they have drifted apart, and the carrier lets go of the core once it
// has the thread.
void GatherOnThisCore(Carrier& carrier) {
  int here = sched_getcpu();
  if (here < 0 || here == carrier.core.load()) return;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(here, &one);
  if (sched_setaffinity(carrier.tid, sizeof one, &one) == 0) carrier.gathered.store(true);
}

// Gives the logical thread to a parked system thread, or starts a new one.
bool Carry(ThreadRecord* thread, SIZE_T stackSize) {
  Parking& parking = ThreadParking();
  Carrier* carrier = nullptr;
  if (stackSize == 0) {
    std::lock_guard<std::mutex> lock(parking.mutex);
    if (!parking.ready.empty()) {
      carrier = parking.ready.back();
      parking.ready.pop_back();
    }
  }
  if (carrier != nullptr) {
    if (!CoresToSpare()) GatherOnThisCore(*carrier);
    {
      std::lock_guard<std::mutex> lock(carrier->mutex);
      carrier->next.store(thread);
    }
    carrier->handed.notify_one();  // outside the lock, which the woken thread takes first
    return true;
  }
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  if (stackSize != 0) {
    const SIZE_T minimum = static_cast<SIZE_T>(PTHREAD_STACK_MIN);
    pthread_attr_setstacksize(&attr, stackSize < minimum ? minimum : stackSize);
  }
  pthread_t id;
  int rc = pthread_create(&id, &attr, &CarryThreads, thread);
  pthread_attr_destroy(&attr);
  return rc == 0;
}

}  // namespace

HANDLE CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T stackSize, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                    DWORD flags, LPDWORD threadId) {
  if (start == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  ThreadRecord* thread = new ThreadRecord;
  thread->start = start;
  thread->parameter = parameter;
  thread->suspendCount = (flags & CREATE_SUSPENDED) ? 1 : 0;
  thread->running = thread->suspendCount == 0;
  thread->threadId = g_nextThreadId.fetch_add(1);
  thread->references = 2;  // the handle returned, and the thread itself
  thread->stackSize = stackSize;
  if (sched_getaffinity(0, sizeof thread->affinity, &thread->affinity) != 0) CPU_ZERO(&thread->affinity);
  // A suspended thread goes to a system thread only when it is resumed: the
  // system thread then wakes once, to run it, not once to take it and again
  // when it may start.
  if (thread->suspendCount == 0) {
    thread->carried = true;
    if (!Carry(thread, stackSize)) {
      delete thread;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  if (threadId) *threadId = thread->threadId;
  HandleRecord* handle = new HandleRecord;
  handle->thread = thread;
  return handle;
}

DWORD ResumeThread(HANDLE handle) {
  HandleRecord* record = Live(handle);
  if (record == nullptr) return static_cast<DWORD>(-1);
  ThreadRecord* thread = record->thread;
  DWORD previous;
  bool carry = false;
  {
    std::lock_guard<std::mutex> lock(thread->mutex);
    previous = thread->suspendCount;
    if (thread->suspendCount > 0 && --thread->suspendCount == 0) {
      thread->running.store(true);
      thread->changed.notify_all();
      carry = !thread->carried;
      thread->carried = true;
    }
  }
  if (carry && !Carry(thread, thread->stackSize)) {
    // No system thread to run it: it ends without having run, so no wait on it hangs.
    Finish(thread, ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<DWORD>(-1);
  }
  return previous;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  HandleRecord* record = Live(handle);
  if (record == nullptr) return WAIT_FAILED;
  ThreadRecord* thread = record->thread;
  if (milliseconds != 0) SpinBriefly([thread] { return thread->ended.load(); }, kSpin);
  std::unique_lock<std::mutex> lock(thread->mutex);
  // A look without a wait (a caller polling between other work): no clock,
  // no condition variable.
  if (milliseconds == 0) return thread->finished ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
  if (milliseconds == INFINITE) {
    thread->changed.wait(lock, [thread] { return thread->finished; });
    return WAIT_OBJECT_0;
  }
  bool finished = thread->changed.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                           [thread] { return thread->finished; });
  return finished ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

BOOL GetExitCodeThread(HANDLE handle, LPDWORD exitCode) {
  HandleRecord* record = Live(handle);
  if (record == nullptr || exitCode == nullptr) return FALSE;
  std::lock_guard<std::mutex> lock(record->thread->mutex);
  *exitCode = record->thread->finished ? record->thread->exitCode : STILL_ACTIVE;
  return TRUE;
}

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

BOOL DuplicateHandle(HANDLE sourceProcess, HANDLE source, HANDLE targetProcess, LPHANDLE target, DWORD, BOOL,
                     DWORD) {
  if (sourceProcess != GetCurrentProcess() || targetProcess != GetCurrentProcess() || target == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  HandleRecord* record = Live(source);
  if (record == nullptr) return FALSE;
  record->thread->references.fetch_add(1);
  HandleRecord* copy = new HandleRecord;
  copy->thread = record->thread;
  *target = copy;
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  HandleRecord* record = Live(handle);
  if (record == nullptr) return FALSE;
  record->tag = 0;
  Release(record->thread);
  delete record;
  return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
  Queues& queues = MessageQueues();
  std::lock_guard<std::mutex> lock(queues.mutex);
  auto queue = queues.byThread.find(threadId);
  if (queue == queues.byThread.end()) {
    SetLastError(kInvalidThreadId);
    return FALSE;
  }
  MSG msg{};
  msg.message = message;
  msg.wParam = wParam;
  msg.lParam = lParam;
  queue->second.push_back(msg);
  return TRUE;
}

BOOL PeekMessageA(LPMSG out, HWND, UINT filterMin, UINT filterMax, UINT remove) {
  Queues& queues = MessageQueues();
  std::lock_guard<std::mutex> lock(queues.mutex);
  std::vector<MSG>& queue = queues.byThread[GetCurrentThreadId()];
  for (auto it = queue.begin(); it != queue.end(); ++it) {
    bool matches = (filterMin == 0 && filterMax == 0) || (it->message >= filterMin && it->message <= filterMax);
    if (!matches) continue;
    if (out) *out = *it;
    if (remove & PM_REMOVE) queue.erase(it);
    return TRUE;
  }
  return FALSE;
}

namespace zrplatform {

namespace posix {

long CoresToUse(long online, long quota) {
  long cores = online > 0 ? online : 1;
  cpu_set_t mine;
  if (sched_getaffinity(0, sizeof mine, &mine) == 0 && CPU_COUNT(&mine) > 0) cores = std::min<long>(cores, CPU_COUNT(&mine));
  if (quota > 0) cores = std::min(cores, quota);
  return cores;
}

}  // namespace posix

int AtomicRead(const int* value) { return __atomic_load_n(value, __ATOMIC_ACQUIRE); }

int AtomicAdd(int* value, int delta) { return __atomic_add_fetch(value, delta, __ATOMIC_ACQ_REL); }

// A shared object's code stays mapped while the process runs its threads to
// the end; nothing to hold.
HMODULE HoldModuleOf(const void*) { return nullptr; }

void ExitThreadReleasingModule(HMODULE, DWORD) {}

}  // namespace zrplatform
