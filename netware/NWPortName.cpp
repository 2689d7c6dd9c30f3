// From a port name to the IPX address of the maker's print server that serves
// its NetWare queue.
#include "netware/NWPortName.h"

#include "netware/NWQuery.h"
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

CNWPortName::CNWPortName() : m_bParsed(0), m_bBindery(0) {}

int CNWPortName::Parse(const char* portName) {
  m_strPortName = portName;
  if (m_strPortName.GetLength() < 3 || m_strPortName[0] != '\\' || m_strPortName[1] != '\\' ||
      m_strPortName[2] == '\\') {
    return 0;
  }
  CString rest = m_strPortName.Mid(2);
  int backslash = rest.Find('\\');
  if (backslash < 0) return 0;
  m_strServer = rest.Left(backslash);
  rest = rest.Mid(backslash + 1);
  if (rest.IsEmpty()) return 0;

  if (rest.Find('\\') < 0 && rest.Find('.') < 0) {
    m_bBindery = 1;
    m_strQueue = rest;
    m_bParsed = 1;
    return 1;
  }

  m_bBindery = 0;
  if (rest.Find('.') >= 0) {
    // Typed form: .queue.ou.o
    if (rest[0] != '.') return 0;
    rest = rest.Mid(1);
    int dot = rest.Find('.');
    if (dot < 0) return 0;
    m_strQueue = rest.Left(dot);
    m_strContext = rest.Mid(dot + 1);
  } else {
    // Path form: o\ou\queue, the context written from the leaf upwards.
    int last = rest.ReverseFind('\\');
    m_strQueue = rest.Mid(last + 1);
    while (last > 0) {
      rest = rest.Left(last);
      last = rest.ReverseFind('\\');
      m_strContext += '.';
      m_strContext += last >= 0 ? rest.Mid(last + 1) : rest;
    }
    m_strContext = m_strContext.Mid(1);
  }
  if (m_strQueue.IsEmpty()) return 0;
  if (m_strContext.IsEmpty()) m_strContext = "[Root]";
  m_bParsed = 1;
  return 1;
}

int CNWPortName::Resolve(CString& address) {
  CNWQuery query;
  if (m_bBindery) return query.FindBinderyQueueAddress(m_strServer, m_strQueue, address);
  return query.FindDirectoryQueueAddress(m_strServer, m_strContext, m_strQueue, address);
}

int GetIPXAddressFromNetWarePort(const char* port, CString& address) {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetIPXAddressFromNetWarePort() start!! : %s",
                                        port ? port : "(null)");
  address.Empty();
  if (port == nullptr || *port == '\0') return -3;
  CNWPortName name;
  int result = -4;
  if (name.Parse(port)) result = name.Resolve(address) == 1 ? 0 : -4;
  if (name.m_bParsed) name.Clear();
  return result;
}
