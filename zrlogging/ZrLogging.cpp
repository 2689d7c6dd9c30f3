#include "zrlogging/ZrLogging.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

#include "platform/CodePage.h"
#include "platform/Paths.h"
#include "platform/Threads.h"

namespace {

struct HookSlot {
  std::mutex mutex;
  std::condition_variable idle;
  ZrLoggingHook hook = nullptr;
  void* context = nullptr;
  int calls = 0;  // hook calls under way
};

HookSlot& Hook() {
  // Never destroyed: a thread still logging while the process exits may yet
  // look for a hook.
  static HookSlot* slot = new HookSlot;
  return *slot;
}
std::atomic<bool> g_hookInstalled{false};

// The hook runs outside the slot's lock: a hook may take its time (or wait)
// without holding up the lines of other threads.
void CallHook(ZrLoggingEvent event, const char* name, unsigned long level, const char* text) {
  HookSlot& slot = Hook();
  ZrLoggingHook hook;
  void* context;
  {
    std::lock_guard<std::mutex> lock(slot.mutex);
    hook = slot.hook;
    context = slot.context;
    if (hook == nullptr) return;
    ++slot.calls;
  }
  hook(context, event, name, level, text);
  std::lock_guard<std::mutex> lock(slot.mutex);
  if (--slot.calls == 0) slot.idle.notify_all();
}

unsigned long ReadLevel() {
  const char* text = std::getenv("ZRLOGGING_LEVEL");
  if (text == nullptr || *text == '\0') return 1;
  return std::strtoul(text, nullptr, 10);
}

std::atomic<unsigned long> g_level{ReadLevel()};

std::string LogFolder() {
  const char* folder = std::getenv("ZRLOGGING_DIR");
  return folder && *folder ? std::string(folder) : zrplatform::DefaultLogFolder();
}

void FormatTimeStamp(char* buffer, std::size_t size) {
  using namespace std::chrono;
  auto now = system_clock::now();
  std::time_t seconds = system_clock::to_time_t(now);
  long millis = static_cast<long>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm utc{};
#if defined(_WIN32)
  gmtime_s(&utc, &seconds);
#else
  gmtime_r(&seconds, &utc);
#endif
  std::snprintf(buffer, size, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", utc.tm_year + 1900, utc.tm_mon + 1,
                utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, millis);
}

// Which single bytes of the ANSI code page are no printable character: those
// that read as a C1 control (1252 gives 0x81, 0x8D, 0x8F, 0x90 and 0x9D so on
// Windows) or as nothing at all. Lead bytes of a double-byte page are judged
// with their trail byte, never alone. Fixed for the process, as the page is.
struct UnprintableBytes {
  bool byte[256] = {};
  UnprintableBytes() {
    for (int b = 0; b < 0x20; ++b) byte[b] = true;
    byte[0x7F] = true;
    for (int b = 0x80; b < 0x100; ++b) {
      char one = static_cast<char>(b);
      WCHAR wide[2] = {};
      int units = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &one, 1, wide, 2);
      byte[b] = units != 1 || (wide[0] >= 0x80 && wide[0] <= 0x9F) || wide[0] == 0xFFFD;
    }
  }
};

// A logged text comes from names and replies the library did not make (a
// port name, a PNS reply): a line break in it would write a line of its own,
// and an escape sequence would act on the terminal of whoever reads the log.
// Control characters are written as \t, \r, \n or \xHH, in the text's own
// code page, so a double-byte character's trail byte is kept as it is.
std::string Escaped(const char* text) {
  static const UnprintableBytes unprintable;
  std::string out;
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  for (std::size_t i = 0; s[i] != 0; ++i) {
    unsigned char c = s[i];
    // A lead byte with a trail byte (0x40 and above) is one character.
    if (c >= 0x80 && IsDBCSLeadByte(c) && s[i + 1] >= 0x40) {
      out += static_cast<char>(c);
      out += static_cast<char>(s[++i]);
      continue;
    }
    if (!unprintable.byte[c]) {
      out += static_cast<char>(c);
      continue;
    }
    static const char kDigits[] = "0123456789abcdef";
    switch (c) {
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default:
        out += "\\x";
        out += kDigits[c >> 4];
        out += kDigits[c & 0x0F];
        break;
    }
  }
  return out;
}

}  // namespace

struct ZrLogging::Impl {
  std::mutex mutex;  // one line at a time, so lines of concurrent threads never interleave
  std::string name;
  std::FILE* file = nullptr;
};

ZrLogging::ZrLogging() : m_pImpl(new Impl) {}

ZrLogging::~ZrLogging() {
  if (m_pImpl->file) std::fclose(m_pImpl->file);
  delete m_pImpl;
}

void ZrLogging::LogStart(const char* name) {
  {
    std::lock_guard<std::mutex> lock(m_pImpl->mutex);
    m_pImpl->name = name ? name : "";
    if (m_pImpl->file) {
      std::fclose(m_pImpl->file);
      m_pImpl->file = nullptr;
    }
  }
  if (g_hookInstalled.load(std::memory_order_acquire)) CallHook(ZRLOGGING_EVENT_START, name ? name : "", 0, "");
  // The file is opened on the first line that passes the filter, so a
  // process that only traces below the level never creates one.
}

void ZrLogging::LogWrite(unsigned long level, const char* format, ...) {
  bool hooked = g_hookInstalled.load(std::memory_order_acquire);
  bool toFile = level <= g_level.load(std::memory_order_relaxed);
  if ((!hooked && !toFile) || format == nullptr) return;

  char text[2048];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  if (length < 0) return;

  if (hooked) CallHook(ZRLOGGING_EVENT_WRITE, m_pImpl->name.c_str(), level, text);
  if (!toFile) return;

  const std::string line = Escaped(text);
  char stamp[40];
  FormatTimeStamp(stamp, sizeof stamp);
  std::lock_guard<std::mutex> lock(m_pImpl->mutex);
  if (m_pImpl->file == nullptr) {
    // No folder (a user without a home), or one the platform refuses: no log.
    std::string folder = LogFolder();
    if (folder.empty()) return;
    zrplatform::MakeFolders(folder);
    std::string path = folder + "/" + (m_pImpl->name.empty() ? std::string("ZrLogging") : m_pImpl->name) + ".log";
    m_pImpl->file = zrplatform::OpenFileToAppend(path);
    if (m_pImpl->file == nullptr) return;
  }
  std::fprintf(m_pImpl->file, "%s [%lu] %2lu %s\n", stamp, static_cast<unsigned long>(GetCurrentThreadId()), level,
               line.c_str());
  std::fflush(m_pImpl->file);
}

ZrLogging::ZrLogging(const ZrLogging&) : m_pImpl(new Impl) {}

ZrLogging& ZrLogging::operator=(const ZrLogging&) { return *this; }

extern "C" ZrLoggingHook ZrLoggingSetHook(ZrLoggingHook hook, void* context) {
  HookSlot& slot = Hook();
  std::unique_lock<std::mutex> lock(slot.mutex);
  ZrLoggingHook previous = slot.hook;
  slot.hook = hook;
  slot.context = context;
  g_hookInstalled.store(hook != nullptr, std::memory_order_release);
  lock.unlock();
  // Once this returns, no call of the hook that was in place is still running,
  // so its owner may go away.
  std::unique_lock<std::mutex> wait(slot.mutex);
  slot.idle.wait(wait, [&slot] { return slot.calls == 0; });
  return previous;
}

extern "C" void ZrLoggingReloadSettings(void) { g_level.store(ReadLevel(), std::memory_order_relaxed); }
