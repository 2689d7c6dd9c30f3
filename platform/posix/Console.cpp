#include "platform/Console.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "platform/posix/Settings.h"

namespace zrplatform {

namespace {

// The signals whose default action ends the process without running the
// exit handlers, and that a handler can catch.
const int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};
constexpr int kSignalCount = sizeof kEndingSignals / sizeof kEndingSignals[0];

std::atomic<void (*)()> g_undos[8];
// What each signal did before this layer's handler: the tool and the library
// each hold a copy of this layer, so the handler found may be the other
// copy's, which must still run after this one.
struct sigaction g_previous[kSignalCount];
std::mutex g_installing;
bool g_installed = false;
// A child forked after an undo was registered inherits the table, the
// handlers and the exit handler; what it undoes would be its parent's.
std::atomic<pid_t> g_owner{0};

void RunUndos() {
  if (getpid() != g_owner.load()) return;
  for (std::atomic<void (*)()>& slot : g_undos) {
    if (void (*undo)() = slot.exchange(nullptr)) undo();
  }
}

void OnEndingSignal(int signal, siginfo_t* info, void* context) {
  const int savedErrno = errno;
  RunUndos();
  int index = 0;
  while (index < kSignalCount && kEndingSignals[index] != signal) ++index;
  const struct sigaction* previous = index < kSignalCount ? &g_previous[index] : nullptr;
  if (previous != nullptr && (previous->sa_flags & SA_SIGINFO) != 0 && previous->sa_sigaction != nullptr) {
    previous->sa_sigaction(signal, info, context);
  } else if (previous != nullptr && previous->sa_handler != SIG_DFL && previous->sa_handler != SIG_IGN) {
    previous->sa_handler(signal);
  } else {
    // The default action, once this handler returns: the signal stays
    // blocked until then, so the raise waits for it.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signal, &fallback, nullptr);
    raise(signal);
  }
  errno = savedErrno;
}

void InstallHandlers() {
  std::lock_guard<std::mutex> lock(g_installing);
  if (g_installed) return;
  g_installed = true;
  std::atexit(&RunUndos);
  for (int i = 0; i < kSignalCount; ++i) {
    struct sigaction now = {};
    if (sigaction(kEndingSignals[i], nullptr, &now) != 0) continue;
    // An ignored signal does not end the process: the exit handlers run.
    if ((now.sa_flags & SA_SIGINFO) == 0 && now.sa_handler == SIG_IGN) continue;
    g_previous[i] = now;
    struct sigaction handler = {};
    handler.sa_sigaction = &OnEndingSignal;
    handler.sa_flags = SA_SIGINFO | SA_RESTART;
    sigemptyset(&handler.sa_mask);
    for (int other : kEndingSignals) sigaddset(&handler.sa_mask, other);
    sigaction(kEndingSignals[i], &handler, nullptr);
  }
}

}  // namespace

bool UndoWhenProcessEnds(void (*undo)()) {
  InstallHandlers();
  {
    std::lock_guard<std::mutex> lock(g_installing);
    if (g_owner.load() != getpid()) {
      for (std::atomic<void (*)()>& slot : g_undos) slot = nullptr;
      g_owner = getpid();
    }
  }
  for (std::atomic<void (*)()>& slot : g_undos) {
    void (*empty)() = nullptr;
    if (slot.compare_exchange_strong(empty, undo)) return true;
  }
  return false;
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool StandardOutputIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

std::vector<std::string> ArgumentsAsUtf8(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  return arguments;
}

std::string UnknownSettings() {
  std::string message;
  const char* line = std::getenv("ZRADDRRES_WINVER");
  if (line != nullptr && *line != '\0' && !posix::IsWindowsLineName(line)) {
    message += "ZRADDRRES_WINVER=" + std::string(line) + " is no Windows line; use one of " +
               posix::WindowsLineNames();
  }
  const char* codePage = std::getenv("ZRADDRRES_ACP");
  if (codePage != nullptr && *codePage != '\0' && !posix::IsCodePageName(codePage)) {
    if (!message.empty()) message += "; ";
    message += "ZRADDRRES_ACP=" + std::string(codePage) + " is no ANSI code page the library knows; use one of " +
               posix::CodePageNames();
  }
  return message;
}

}  // namespace zrplatform
