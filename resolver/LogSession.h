// The one log session of the process, behind every log line of the library.
#pragma once

#include "zrlogging/ZrLogging.h"

namespace NLogZrAddrRes {

// Adds nothing to ZrLogging: its constructor only starts the log under the
// library's name, so a failed start leaves no session behind.
class CSession : public ZrLogging {
 public:
  CSession();
  ~CSession() override;

 private:
  CSession(const CSession&);
  CSession& operator=(const CSession&);
};

// The session, created (and started) by the first call of the process; later
// calls return it at once. Callers use the pointer for one log call only.
CSession* GetSession();

}  // namespace NLogZrAddrRes

// The library's two log levels.
enum : unsigned long {
  ZRLOG_ERROR = 1,
  ZRLOG_PROGRESS = 16,
};
