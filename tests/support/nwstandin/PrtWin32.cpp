// prtwin32: the print configuration's queue users (from "queueusers" lines);
// the print server commands and the other enumerations answer "not supported".
#include <cstring>

#include "tests/support/nwstandin/Network.h"

using nwstandin::Session;

namespace {

const NWCCODE c_nNotSupported = 0x7701;
const NWCCODE c_nNoMore = 0x89FC;

// A sequence names the queue (its place, from 1, in the high half) and the next user.
std::uint32_t Sequence(std::size_t queue, std::size_t user) {
  return static_cast<std::uint32_t>(((queue + 1) << 16) | user);
}

NWCCODE PutUser(const nwstandin::Network& network, std::uint32_t* sequence, void* value) {
  std::size_t queue = (*sequence >> 16);
  std::size_t user = *sequence & 0xFFFF;
  if (queue == 0 || queue > network.queueUsers.size()) return c_nNoMore;
  const std::vector<std::string>& users = network.queueUsers[queue - 1].users;
  if (user >= users.size()) return c_nNoMore;
  NWPS_Queue_User_T* out = static_cast<NWPS_Queue_User_T*>(value);
  std::memset(out, 0, sizeof *out);
  out->objectType = 1;
  nwstandin::CopyText(out->name, sizeof out->name, users[user]);
  *sequence = Sequence(queue - 1, user + 1);
  return 0;
}

std::string WithoutLeadingDot(const char* name) { return (name && name[0] == '.') ? name + 1 : (name ? name : ""); }

}  // namespace

NWSTANDIN_EXPORT NWCCODE NWAPI NWPSCfgGetFirstPrintQueueAttr(std::uint32_t, std::uint32_t, const char* queueName,
                                                             std::uint16_t attribute, std::uint32_t* sequence,
                                                             void* value) {
  Session s("NWPSCfgGetFirstPrintQueueAttr");
  FAIL_ON_REQUEST(s);
  if (attribute != NW_PS_QUEUE_USERS || sequence == nullptr || value == nullptr) return c_nNotSupported;
  const auto& queues = s.Net().queueUsers;
  for (std::size_t i = 0; i < queues.size(); ++i) {
    if (nwstandin::SameText(WithoutLeadingDot(queues[i].queue.c_str()), WithoutLeadingDot(queueName))) {
      *sequence = Sequence(i, 0);
      return PutUser(s.Net(), sequence, value);
    }
  }
  return c_nNoMore;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWPSCfgGetNextPrintQueueAttr(std::uint32_t* sequence, std::uint16_t attribute,
                                                            void* value) {
  Session s("NWPSCfgGetNextPrintQueueAttr");
  FAIL_ON_REQUEST(s);
  if (attribute != NW_PS_QUEUE_USERS || sequence == nullptr || value == nullptr) return c_nNotSupported;
  NWCCODE rc = PutUser(s.Net(), sequence, value);
  if (rc == c_nNoMore && s.Endless()) {
    // Endless: past the last user the enumeration starts over.
    *sequence &= 0xFFFF0000u;
    rc = PutUser(s.Net(), sequence, value);
  }
  return rc;
}

#define NOT_SUPPORTED(name, params)                \
  NWSTANDIN_EXPORT NWCCODE NWAPI name params {     \
    Session s(#name);                              \
    FAIL_ON_REQUEST(s);                            \
    return c_nNotSupported;                        \
  }
#define ENDS(name)                                        \
  NWSTANDIN_EXPORT NWCCODE NWAPI name(std::uint32_t*) {   \
    Session s(#name);                                     \
    FAIL_ON_REQUEST(s);                                   \
    return 0;                                             \
  }

ENDS(NWPSCfgEndNextPrintQueueAttr)
NOT_SUPPORTED(NWPSComAttachToPrintServer, (std::uint32_t, NWCONN_HANDLE, std::uint16_t, const char*, std::uint16_t*))
NOT_SUPPORTED(NWPSComDetachFromPrintServer, (std::uint16_t))
NOT_SUPPORTED(NWPSComGetPrintServerInfo, (std::uint16_t, void*, std::uint16_t))
NOT_SUPPORTED(NWPSComLoginToPrintServer, (std::uint32_t, NWCONN_HANDLE, std::uint16_t, std::uint8_t*))
NOT_SUPPORTED(NWPSComGetQueuesServiced,
              (std::uint16_t, std::uint16_t, std::uint16_t*, char*, char*, std::uint16_t*))
NOT_SUPPORTED(NWPSComGetPrinterStatus, (std::uint16_t, std::uint16_t, std::uint8_t*, std::uint8_t*, std::uint8_t*,
                                        std::uint8_t*, std::uint16_t*, char*, char*))
NOT_SUPPORTED(NWPSCfgGetFirstPrintServer, (std::uint32_t, std::uint32_t, std::uint32_t*, char*))
NOT_SUPPORTED(NWPSCfgGetNextPrintServer, (std::uint32_t*, char*))
ENDS(NWPSCfgEndNextPrintServer)
NOT_SUPPORTED(NWPSCfgGetFirstPrintQueue, (std::uint32_t, std::uint32_t, std::uint32_t*, char*))
NOT_SUPPORTED(NWPSCfgGetNextPrintQueue, (std::uint32_t*, char*))
ENDS(NWPSCfgEndNextPrintQueue)
NOT_SUPPORTED(NWPSCfgGetFirstPrintServerAttr,
              (std::uint32_t, std::uint32_t, const char*, std::uint16_t, std::uint32_t*, void*))
NOT_SUPPORTED(NWPSCfgGetNextPrintServerAttr, (std::uint32_t*, std::uint16_t, void*))
ENDS(NWPSCfgEndNextPrintServerAttr)
