#include "platform/Console.h"

#include <cstdlib>

#include "platform/Types.h"

// After the Windows headers that declare what it uses.
#include <shellapi.h>

namespace zrplatform {

namespace {

void (*volatile g_undos[8])() = {};

// Ctrl-C's exit status in a POSIX shell, which the native build ends with.
const UINT kInterruptedExit = 130;

void RunUndos() {
  for (auto& slot : g_undos) {
    void* undo = InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&slot), nullptr);
    if (undo != nullptr) reinterpret_cast<void (*)()>(undo)();
  }
}

// Runs on a thread of its own that the system starts for the event, while
// the others go on. After the undos the process ends at once: an orderly
// exit would wait for locks the other threads hold (a thread blocked
// writing to a full pipe holds its stream's).
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      RunUndos();
      TerminateProcess(GetCurrentProcess(), kInterruptedExit);
      return TRUE;
    default:
      return FALSE;
  }
}

void InstallHandler() {
  static INIT_ONCE once = INIT_ONCE_STATIC_INIT;
  InitOnceExecuteOnce(
      &once,
      [](PINIT_ONCE, PVOID, PVOID*) -> BOOL {
        std::atexit(&RunUndos);
        SetConsoleCtrlHandler(&OnConsoleEvent, TRUE);
        return TRUE;
      },
      nullptr, nullptr);
}

}  // namespace

bool UndoWhenProcessEnds(void (*undo)()) {
  InstallHandler();
  for (auto& slot : g_undos) {
    if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&slot), reinterpret_cast<void*>(undo),
                                          nullptr) == nullptr) {
      return true;
    }
  }
  return false;
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool StandardOutputIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

std::vector<std::string> ArgumentsAsUtf8(int argc, char** argv) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    // Without the wide command line, the ANSI arguments are all there is.
    for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
    return arguments;
  }
  for (int i = 1; i < count; ++i) {
    int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
    std::string text(bytes > 0 ? static_cast<std::size_t>(bytes) : 1, '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], bytes, nullptr, nullptr);
    text.resize(text.size() - 1);  // the terminator
    arguments.push_back(text);
  }
  LocalFree(wide);
  return arguments;
}

std::string UnknownSettings() { return std::string(); }

}  // namespace zrplatform
