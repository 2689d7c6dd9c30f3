// Scripted share lists in place of NETAPI32.DLL and SVRAPI.DLL for the life
// of the object. The stand-ins are real modules under the real file names
// (standin/netapi32.dll and standin/svrapi.dll beside the tests), loaded here
// by path: the library's LoadLibraryA by the bare name then gets them, as the
// loader gives a module already loaded under that name (under Wine the tests
// run with netapi32 and svrapi set to native first). Every server answers the
// scripted list; without a script, an empty list.
#pragma once

#include <string>

namespace zrtest {

class FakeShareLists {
 public:
  enum class Modules {
    Complete,      // every entry the library looks up
    EntryMissing,  // netapi32.dll without NetApiBufferFree, svrapi.dll without NetShareEnum
  };

  explicit FakeShareLists(Modules modules = Modules::Complete);
  ~FakeShareLists();
  FakeShareLists(const FakeShareLists&) = delete;
  FakeShareLists& operator=(const FakeShareLists&) = delete;

  // Appends a share (ANSI texts) to the list of both stand-ins.
  void Add(const std::string& name, unsigned long type, const std::string& remark);
  // NetShareEnum answers this code from now on.
  void Fail(unsigned long status);

  // What the stand-in of the running Windows line saw since the script began:
  // calls of an entry, the last server asked, the last 9x buffer size, and
  // the NT buffers not released.
  int Calls(const char* entry) const;
  std::string Server() const;
  unsigned BufferSize() const;
  int Outstanding() const;
};

}  // namespace zrtest
