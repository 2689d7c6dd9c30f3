// ZrLogging: the sibling logging library. One log file per name given to
// LogStart, "<name>.log" in ZRLOGGING_DIR (default: the platform's log folder).
// One line per LogWrite: UTC time stamp with milliseconds, thread id, level, text,
// its control characters written as \t, \r, \n or \xHH so it stays one line.
// Levels above ZRLOGGING_LEVEL (default 1: errors only; 16 is the full trace)
// are dropped. Failures to write are swallowed: logging never fails its caller.
#pragma once

#include "platform/Export.h"

#if defined(ZRLOGGING_BUILD)
#define ZRLOGGING_API ZR_DLL_EXPORT
#else
#define ZRLOGGING_API ZR_DLL_IMPORT
#endif

#if defined(__GNUC__)
#define ZRLOGGING_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define ZRLOGGING_PRINTF(fmt, args)
#endif

class ZRLOGGING_API ZrLogging {
 public:
  ZrLogging();
  virtual ~ZrLogging();

  void LogStart(const char* name);
  // Member function: the implicit object parameter is argument 1.
  void LogWrite(unsigned long level, const char* format, ...) ZRLOGGING_PRINTF(3, 4);

 private:
  ZrLogging(const ZrLogging&);
  ZrLogging& operator=(const ZrLogging&);

  struct Impl;
  Impl* m_pImpl;
};

// Receives every LogStart and every line written through any ZrLogging object
// of the process, whatever its level (before level filtering): the name given
// to LogStart, the level and the formatted text as formatted (not escaped).
// Tests use it to capture the trace.
enum ZrLoggingEvent { ZRLOGGING_EVENT_START = 0, ZRLOGGING_EVENT_WRITE = 1 };
typedef void (*ZrLoggingHook)(void* context, ZrLoggingEvent event, const char* name, unsigned long level,
                              const char* text);

extern "C" {
// Installs a hook (null removes it) and returns the one that was in place,
// after every call of it under way has returned. A hook must not call this.
ZRLOGGING_API ZrLoggingHook ZrLoggingSetHook(ZrLoggingHook hook, void* context);
// Re-reads ZRLOGGING_LEVEL and ZRLOGGING_DIR for sessions started afterwards
// and for the level filter of every session.
ZRLOGGING_API void ZrLoggingReloadSettings(void);
}
