// Port names that cannot lead to a network device are refused before any
// reader runs: local ports written with their colon, the file port, the
// document-software ports and PDF-writer ports.
#include "resolver/LogSession.h"
#include "resolver/ZrAddrResolution.h"

namespace {

int Refuse(const char* port) {
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "GetAddressFromPort() This Port is not supported !! : %s",
                                        port);
  NLogZrAddrRes::GetSession()->LogWrite(ZRLOG_PROGRESS, "------------- GetAddressFromPort() finish! : %s", port);
  return 0;
}

}  // namespace

int CZrAddrResolution::IsValidPortName(const char* port) {
  const CString name(port);

  // A backslash means a UNC-style or monitor name: the local-port rules do not apply.
  if (name.ReverseFind('\\') < 0) {
    CString head = name.Left(3);
    if (head.CompareNoCase("LPT") == 0 || head.CompareNoCase("COM") == 0) {
      // The fifth character decides: "LPT1:" is local, "LPT1" and "LPT10:" are not.
      if (name.Mid(4, 1) == ":") return Refuse(port);
    } else if (name.Left(5).CompareNoCase("FILE:") == 0) {
      return Refuse(port);
    }
  }
  if (name.CompareNoCase("Leafdesk Port") == 0) return Refuse(port);
  if (name.CompareNoCase("Acel Port") == 0) return Refuse(port);
  if (name.Right(5).CompareNoCase("*.pdf") == 0) return Refuse(port);
  return 1;
}
