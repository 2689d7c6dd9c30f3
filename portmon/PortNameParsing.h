// The text rules of the port readers, apart from the registry and the name
// service, so that they can be tested as tables and fuzzed. Searches step over
// the double-byte characters of the ANSI code page, as CString's do.
#pragma once

#include "framework/CString.h"

namespace zrportmon {

// A port's key below a monitor's "Ports" key: the monitor key, a backslash and
// the port name unchanged (no case change, no escaping; a backslash in the
// port name therefore names a deeper subkey).
CString PortKeyPath(const char* monitorPortsKey, const char* port);

// The host an Internet Print Provider port's URL names. False unless the name
// begins with "http://" or "https://" (in any case). The host is the text up to
// the first "/", without a ":port" suffix and without the brackets around an
// IPv6 literal: "http://printer:631/lp" gives "printer", "http://[fe80::1]:631/"
// gives "fe80::1". A text with two colons or more and no brackets is kept
// whole, as an unbracketed IPv6 literal can only be that.
bool GetIppHost(const char* port, CString& host);

// A remote port named "<host>:<queue>": the text before the last colon, when
// that colon comes after the first character ("10.0.0.8:lp1" gives "10.0.0.8").
bool GetTextBeforeLastColon(const char* port, CString& head);

// A port named by the Standard TCP/IP monitor's default pattern: the rest of
// the name after the prefix "IP_", which must be in upper case.
bool GetTextAfterIPPrefix(const char* port, CString& rest);

}  // namespace zrportmon
