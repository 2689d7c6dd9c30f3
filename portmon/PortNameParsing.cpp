#include "portmon/PortNameParsing.h"

#include <cstring>

namespace zrportmon {

namespace {

// The authority's host without the user's credentials, the port number or
// the IPv6 brackets.
CString HostOfAuthority(CString authority) {
  // "user:password@host": the colon in the credentials is not the port's.
  int at = authority.ReverseFind('@');
  if (at >= 0) authority = authority.Mid(at + 1);
  if (authority.GetLength() > 0 && authority[0] == '[') {
    int close = authority.Find(']');
    if (close > 0) return authority.Mid(1, close - 1);
    return authority;  // no closing bracket: not ours to repair
  }
  int colon = authority.Find(':');
  if (colon >= 0 && authority.Find(':', colon + 1) < 0) return authority.Left(colon);
  return authority;
}

}  // namespace

CString PortKeyPath(const char* monitorPortsKey, const char* port) {
  CString path(monitorPortsKey);
  path += '\\';
  path += port;
  return path;
}

bool GetIppHost(const char* port, CString& host) {
  const CString url(port);
  int schemeLength = 0;
  if (url.Left(7).CompareNoCase("http://") == 0) {
    schemeLength = 7;
  } else if (url.Left(8).CompareNoCase("https://") == 0) {
    schemeLength = 8;
  } else {
    return false;
  }
  CString authority = url.Mid(schemeLength);
  int slash = authority.Find('/');
  if (slash >= 0) authority = authority.Left(slash);
  host = HostOfAuthority(authority);
  return true;
}

bool GetTextBeforeLastColon(const char* port, CString& head) {
  const CString name(port);
  int colon = name.ReverseFind(':');
  if (colon <= 0) return false;
  head = name.Left(colon);
  return true;
}

bool GetTextAfterIPPrefix(const char* port, CString& rest) {
  if (port == nullptr || std::strncmp(port, "IP_", 3) != 0) return false;
  rest = port + 3;
  return true;
}

}  // namespace zrportmon
