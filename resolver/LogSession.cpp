#include "resolver/LogSession.h"

namespace NLogZrAddrRes {

CSession::CSession() { LogStart("ZrAddrRes"); }

CSession::~CSession() {}

CSession* GetSession() {
  // A function-local static: created once even when threads race on the first
  // log call, and created again on the next call if the constructor threw.
  static CSession session;
  return &session;
}

}  // namespace NLogZrAddrRes
