#include "tests/support/LogCapture.h"

namespace zrtest {

LogCapture::LogCapture() { ZrLoggingSetHook(&LogCapture::Hook, this); }

LogCapture::~LogCapture() { ZrLoggingSetHook(nullptr, nullptr); }

void LogCapture::Hook(void* context, ZrLoggingEvent event, const char* name, unsigned long level, const char* text) {
  LogCapture* self = static_cast<LogCapture*>(context);
  std::lock_guard<std::mutex> lock(self->m_mutex);
  if (event == ZRLOGGING_EVENT_START) {
    ++self->m_starts;
  } else {
    self->m_lines.push_back({level, text});
  }
}

std::vector<LogLine> LogCapture::Lines() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_lines;
}

std::vector<std::string> LogCapture::Texts() const {
  std::vector<std::string> texts;
  for (const LogLine& line : Lines()) texts.push_back(line.text);
  return texts;
}

int LogCapture::StartCount() const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_starts;
}

void LogCapture::Clear() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_lines.clear();
  m_starts = 0;
}

bool LogCapture::Contains(const std::string& needle) const {
  for (const LogLine& line : Lines()) {
    if (line.text.find(needle) != std::string::npos) return true;
  }
  return false;
}

}  // namespace zrtest
