// NetWare queue port names: \\server\queue (a bindery queue), \\tree\.queue.ou.o
// and \\tree\o\ou\queue (a queue or printer object of a directory tree).
#pragma once

#include "framework/CString.h"

class CNWPortName {
 public:
  CNWPortName();

  // 1 when the name has one of the three forms; the parts are then set.
  int Parse(const char* portName);
  // Runs the bindery or the directory lookup: 1 with the IPX address text in address.
  int Resolve(CString& address);
  void Clear() { m_bParsed = 0; }

  int m_bParsed;
  CString m_strPortName;
  int m_bBindery;
  CString m_strServer;   // file server (bindery) or tree (directory)
  CString m_strQueue;    // queue, or the leaf name of the directory object
  CString m_strContext;  // the directory object's context; "[Root]" when it has none
};
