// Captures the library's log lines through ZrLogging's hook for the life of
// the object: every level, as the lines would be written.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "zrlogging/ZrLogging.h"

namespace zrtest {

struct LogLine {
  unsigned long level;
  std::string text;
};

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<LogLine> Lines() const;
  std::vector<std::string> Texts() const;
  int StartCount() const;
  void Clear();
  // True when some line's text contains needle.
  bool Contains(const std::string& needle) const;

 private:
  static void Hook(void* context, ZrLoggingEvent event, const char* name, unsigned long level, const char* text);

  mutable std::mutex m_mutex;
  std::vector<LogLine> m_lines;
  int m_starts = 0;
};

}  // namespace zrtest
