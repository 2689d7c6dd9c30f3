// Address text to host name on a worker thread bounded by a time-out; the
// reverse of the forward lookup, sharing its worker start, its registry
// time-out and its cancellation.
#include <cstring>
#include <memory>

#include "lookup/LookupWorker.h"
#include "lookup/WorkerStart.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

const unsigned long kFailed = 0xFFFFFFFEUL;
const unsigned long kTimedOut = 0xFFFFFFFFUL;
const char kHostQuitLine[] = "----- GetHostFromIP (%s) fail. Thread quit message received.";

}  // namespace

unsigned long CZrAddrResolution::GetHostFromIPAddress(const char* address, CString& host,
                                                      unsigned long timeout) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetHostFromIPAddress(with timeout) start!! : %s", address);
  // Not an address: the time-out's code, but IsTimeOutedForHost stays as it was.
  if (address == nullptr || *address == '\0' ||
      (!IsValidStringIPAddressIPv4(address) && !IsValidStringIPAddressIPv6(address))) {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetHostFromIPAddress() Invalid Param.!! : %s  is Not IPAddress",
                                          address);
    return kTimedOut;
  }
  m_strIPForHost = address;
  m_strHostFromIP.Empty();

  zrlookup::LookupCallRef call = std::make_shared<zrlookup::CLookupCall>();
  call->m_strInput = m_strIPForHost;
  call->m_hWs2_32 = m_hWs2_32;
  call->m_bWindows95 = m_bWindows95;

  zrlookup::WorkerSteps steps;
  steps.duplicateAndResume = [this](CWinThread& thread, HANDLE& handle) {
    return DuplicateAndResumeThread(thread, handle);
  };
  steps.timeout = [timeout] { return GetTimeoutValue("GetHostName Timeout", timeout); };
  steps.timedOut = [this] {
    // Level 1 here, unlike the forward lookup's line.
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "GetIPFromDNSThreadProc Timeout");
    m_bTimeOutedForHost = 1;
  };
  zrlookup::WorkerWait wait = zrlookup::StartAndWait(&GetHostFromIPThreadProc, call, steps);

  switch (wait) {
    case zrlookup::WorkerWait::Ended:
      m_strHostFromIP = call->m_strOutput;
      m_bHostResult = call->m_bResult;
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPFromDNSThreadProc host (%s)",
                                            static_cast<const char*>(m_strHostFromIP));
      host = m_strHostFromIP;
      return m_bHostResult ? 0 : kFailed;
    case zrlookup::WorkerWait::TimedOut:
      return kTimedOut;
    default:
      return kFailed;
  }
}

unsigned int CZrAddrResolution::GetHostFromIPThreadProc(void* parameter) {
  std::unique_ptr<zrlookup::LookupCallRef> call(static_cast<zrlookup::LookupCallRef*>(parameter));
  return zrlookup::RunCounted(**call, &GetHostFromIP);
}

unsigned long CZrAddrResolution::GetHostFromIP(zrlookup::CLookupCall& call) {
  zrlookup::NameService names(call.m_hWs2_32);
  call.m_bResult = 1;
  call.m_strOutput.Empty();
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "----- GetHostFromIP start (%s)",
                                        static_cast<const char*>(call.m_strInput));
  const CString address = call.m_strInput;
  zrlookup::CreateMessageQueue();

  if (names.ProtocolIndependent()) {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "getaddrinfo start");
    addrinfo hints = {};
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    zrlookup::LeaveForBlockingCall();
    int status = names.getAddrInfo(address, nullptr, &hints, &list);
    if (!zrlookup::ReturnFromBlockingCall(call)) return kTimedOut;
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "getaddrinfo end. hostent=0x%08x", zrlookup::PointerBits(list));
    if (zrlookup::GaveUp(call, kHostQuitLine, address)) {
      if (list) names.freeAddrInfo(list);
      return kTimedOut;
    }
    if (status != 0 || list == nullptr) {
      call.m_bResult = 0;
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetHostFromIP (%s) fail. getaddrinfo status != 0",
                                            static_cast<const char*>(address));
      if (list) names.freeAddrInfo(list);
      return kFailed;
    }
    char text[1025] = {};
    // The reverse lookup proper: it may block as long as the forward one.
    zrlookup::LeaveForBlockingCall();
    int nameStatus = names.getNameInfo(list->ai_addr, static_cast<socklen_t>(list->ai_addrlen), text, sizeof text,
                                       nullptr, 0, NI_NAMEREQD);
    names.freeAddrInfo(list);
    if (!zrlookup::ReturnFromBlockingCall(call)) return kTimedOut;
    if (zrlookup::GaveUp(call, kHostQuitLine, address)) {
      return kTimedOut;
    }
    if (nameStatus != 0) {
      call.m_bResult = 0;
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetHostFromIP (%s) fail. getnameinfo status != 0",
                                            static_cast<const char*>(address));
      return kFailed;
    }
    call.m_strOutput = text;
  } else {
    unsigned long binary = inet_addr(address);
    if (binary == INADDR_NONE) {
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetHostFromIP fail");
      call.m_bResult = 0;
      return kFailed;
    }
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "gethostbyaddr start");
    std::uint32_t networkOrder = static_cast<std::uint32_t>(binary);
    zrlookup::LeaveForBlockingCall();
    hostent* entry = names.getHostByAddr(reinterpret_cast<const char*>(&networkOrder), 4, AF_INET);
    if (!zrlookup::ReturnFromBlockingCall(call)) return kTimedOut;
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "gethostbyaddr end. lpHostEnt=0x%08x",
                                          zrlookup::PointerBits(entry));
    if (zrlookup::GaveUp(call, kHostQuitLine, address)) {
      return kTimedOut;
    }
    if (entry == nullptr) {
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetHostFromIP (%s) fail. lpHostEnt is NULL",
                                            static_cast<const char*>(address));
      call.m_bResult = 0;
      return kFailed;
    }
    if (entry->h_name == nullptr) {
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetHostFromIP fail. lpHostEnt->h_name is NULL");
      call.m_bResult = 0;
      return kFailed;
    }
    call.m_strOutput = entry->h_name;
  }

  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "----- GetHostFromIP (%s -> %s) success",
                                        static_cast<const char*>(address), static_cast<const char*>(call.m_strOutput));
  if (call.m_bWindows95 && !call.m_strOutput.IsEmpty()) call.m_strOutput.TrimRight();
  return 0;
}
