// Host name to address on a worker thread bounded by a time-out. The
// name-service call can block far longer than any caller may wait, and the
// platform gives it no time-out: the caller waits for the worker and, when the
// wait runs out, abandons it to end by itself.
#include <cstring>
#include <memory>

#include "lookup/LookupWorker.h"
#include "lookup/ThreadChecker.h"
#include "lookup/WorkerStart.h"
#include "portmon/RegKeyHolder.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"
#include "vdoem/VdOem.h"

namespace {

const unsigned long kFailed = 0xFFFFFFFEUL;
const unsigned long kTimedOut = 0xFFFFFFFFUL;
const char kDNSQuitLine[] = "----- GetIPFromDNS (%s) fail. Thread quit message received.";

}  // namespace

unsigned long CZrAddrResolution::GetIPAddressFromHostName(const char* host, CString& address,
                                                          unsigned long timeout) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromHostName(with timeout) start!! : %s", host);
  if (zrlookup::HasBackslash(host)) {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromHostName(with Timeout) FALSE! (\\ exists) : %s",
                                          host);
    return kFailed;
  }
  m_strIPAddress.Empty();
  m_strHostName = host;
  if (m_strHostName.IsEmpty()) return kFailed;

  zrlookup::LookupCallRef call = std::make_shared<zrlookup::CLookupCall>();
  call->m_strInput = m_strHostName;
  call->m_hWs2_32 = m_hWs2_32;

  zrlookup::WorkerSteps steps;
  steps.duplicateAndResume = [this](CWinThread& thread, HANDLE& handle) {
    return DuplicateAndResumeThread(thread, handle);
  };
  steps.timeout = [timeout] { return GetTimeoutValue("GetIPAddress Timeout", timeout); };
  steps.timedOut = [this] {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPFromDNSThreadProc Timeout");
    m_bTimeOuted = 1;
  };
  zrlookup::WorkerWait wait = zrlookup::StartAndWait(&GetIPFromDNSThreadProc, call, steps);

  switch (wait) {
    case zrlookup::WorkerWait::Ended:
      m_strIPAddress = call->m_strOutput;
      m_bDNSResult = call->m_bResult;
      address = m_strIPAddress;
      if (m_bDNSResult) {
        NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPFromDNSThreadProc IP (%s)",
                                              static_cast<const char*>(address));
        return 0;
      }
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPFromDNSThreadProc IP FALSE !!!!! (%s)",
                                            static_cast<const char*>(m_strIPAddress));
      return kFailed;
    case zrlookup::WorkerWait::TimedOut:
      return kTimedOut;
    default:
      return kFailed;
  }
}

int CZrAddrResolution::GetIPAddressFromHostName(const char* host, CString& address) const {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromHostName() start!! : %s", host);
  if (!IsValidPortName(host)) return 0;
  if (zrlookup::HasBackslash(host)) {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPAddressFromHostName() FALSE! (\\ exists) : %s", host);
    return 0;
  }
  // One dead name server costs the caller one time-out, not one per port.
  if (m_bTimeOuted) {
    NLogZrAddrRes::GetSession()->LogWrite(
        ZRLOG_PROGRESS, "GetIPAddressFromHostName() gethosybyname() is aleady timeouted!! : %s", host);
    return 0;
  }
  unsigned long result = GetIPAddressFromHostName(host, address, 5000);
  if (result == 0) return 1;
  if (result != kFailed) m_bTimeOuted = 1;
  return 0;
}

unsigned int CZrAddrResolution::GetIPFromDNSThreadProc(void* parameter) {
  std::unique_ptr<zrlookup::LookupCallRef> call(static_cast<zrlookup::LookupCallRef*>(parameter));
  return zrlookup::RunCounted(**call, &GetIPFromDNS);
}

unsigned long CZrAddrResolution::GetIPFromDNS(zrlookup::CLookupCall& call) {
  zrlookup::NameService names(call.m_hWs2_32);
  call.m_bResult = 1;
  call.m_strOutput.Empty();
  const CString host = call.m_strInput;
  zrlookup::CreateMessageQueue();

  if (names.ProtocolIndependent()) {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "getaddrinfo start");
    addrinfo hints = {};
    hints.ai_flags = AI_PASSIVE;
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    zrlookup::LeaveForBlockingCall();
    int status = names.getAddrInfo(host, "", &hints, &list);
    if (!zrlookup::ReturnFromBlockingCall(call)) return kTimedOut;
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "getaddrinfo end. hostent=0x%08x", zrlookup::PointerBits(list));
    if (zrlookup::GaveUp(call, kDNSQuitLine, host)) {
      if (list) names.freeAddrInfo(list);
      return kTimedOut;
    }
    if (status != 0) {
      call.m_bResult = 0;
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetIPFromDNS (%s) fail. getaddrinfo status != 0",
                                            static_cast<const char*>(host));
      if (list) names.freeAddrInfo(list);
      return kFailed;
    }
    char text[1025] = {};
    int nameStatus = list ? names.getNameInfo(list->ai_addr, static_cast<socklen_t>(list->ai_addrlen), text,
                                              sizeof text, nullptr, 0, NI_NUMERICHOST)
                          : -1;
    if (list) names.freeAddrInfo(list);
    if (nameStatus != 0) {
      call.m_bResult = 0;
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetIPFromDNS (%s) fail. getnameinfo status != 0",
                                            static_cast<const char*>(host));
      return kFailed;
    }
    call.m_strOutput = text;
  } else {
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "gethostbyname start");
    zrlookup::LeaveForBlockingCall();
    hostent* entry = names.getHostByName(host);
    if (!zrlookup::ReturnFromBlockingCall(call)) return kTimedOut;
    NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "gethostbyname end. hostent=0x%08x",
                                          zrlookup::PointerBits(entry));
    if (zrlookup::GaveUp(call, kDNSQuitLine, host)) {
      return kTimedOut;
    }
    if (entry == nullptr) {
      call.m_bResult = 0;
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetIPFromDNS (%s) fail. lpHostEnt is NULL",
                                            static_cast<const char*>(host));
      return kFailed;
    }
    if (entry->h_name == nullptr) {
      call.m_bResult = 0;
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetIPFromDNS fail. lpHostEnt->h_name is NULL");
      return kFailed;
    }
    // A list that is missing, or empty, has no first address either.
    if (entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
      call.m_bResult = 0;
      NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_ERROR, "----- GetIPFromDNS fail. lpInAddr is NULL");
      return kFailed;
    }
    in_addr first;
    std::memcpy(&first, entry->h_addr_list[0], sizeof first);
    call.m_strOutput = inet_ntoa(first);
  }

  call.m_bResult = 1;
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "----- GetIPFromDNS (%s -> %s) success",
                                        static_cast<const char*>(host), static_cast<const char*>(call.m_strOutput));
  return 0;
}

unsigned long CZrAddrResolution::GetTimeoutValue(const char* valueName, unsigned long defaultTimeout) {
  CRegKeyHolder key;
  if (key.Open(HKEY_LOCAL_MACHINE, c_lpszKeyPath_AddrRes, KEY_QUERY_VALUE) != ERROR_SUCCESS) return defaultTimeout;
  DWORD seconds = 0;
  DWORD size = sizeof seconds;
  DWORD type = 0;
  if (RegQueryValueExA(key.Key(), valueName, nullptr, &type, reinterpret_cast<LPBYTE>(&seconds), &size) !=
          ERROR_SUCCESS ||
      type != REG_DWORD) {
    return defaultTimeout;
  }
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "%s = %d sec", valueName, static_cast<int>(seconds));
  return static_cast<DWORD>(seconds * 1000u);
}

int CZrAddrResolution::DuplicateAndResumeThread(CWinThread& thread, HANDLE& handle) const {
  // The caller waits on its own duplicate: the thread object deletes itself,
  // closing its handle, when the thread ends, maybe before the wait begins.
  BOOL duplicated = DuplicateHandle(GetCurrentProcess(), thread.m_hThread, GetCurrentProcess(), &handle, 0, TRUE,
                                    DUPLICATE_SAME_ACCESS);
  DWORD previousSuspendCount = thread.ResumeThread();
  return (duplicated && previousSuspendCount == 1) ? 1 : 0;
}
