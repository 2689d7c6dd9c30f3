// One NetWare lookup: the function table, a directory context of its own, and
// the working lists of the bindery and directory searches.
#pragma once

#include <cstdint>

#include "framework/CString.h"
#include "framework/CStringList.h"
#include "netware/NWFunc.h"

namespace zrnetware {

// How far one lookup follows the client. Every listing it walks (bindery
// scans, directory listings and reads through their iteration handles, the
// print configuration's queue users) draws on one allowance of entries per
// lookup: each part fetched and each entry taken from a part costs one. A
// client that never ends a listing, or counts more than it holds, so ends
// the lookup as not found instead of holding it. A real lookup lists one
// container, reads the attributes of the object it finds, a group or two and
// the print servers of one file server: a few thousand entries at most, far
// below the allowance.
const std::uint32_t c_nLookupEntries = 65536;
// A value's record, texts and bytes: it comes out of a 4096-byte result
// buffer, so sixteen times that is already absurd.
const std::uint32_t c_nMaxValueSize = 65536;
// "Device" values of one object compared with each print server object of
// the file server: a queue is served by a few printers.
const int c_nMaxDevices = 256;

// Sets the allowance of the lookups made from now on (0: c_nLookupEntries),
// so that tests reach it in a few hundred calls.
void SetLookupEntriesForTesting(std::uint32_t entries);

}  // namespace zrnetware

class CNWQuery {
 public:
  CNWQuery();
  ~CNWQuery();

  // Bindery: the queue's attached print servers, the first of the maker's
  // (by object type and node prefix, in object scan order) gives the address.
  int FindBinderyQueueAddress(const char* server, const char* queue, CString& address);
  int FindPrintServerAddress(const char* server, const CStringList& printServers, CString& address);
  int ListPrintServerObjects(CStringList& objects);
  int ReadNetAddress(const char* object, unsigned char record[12]);
  int GetDefaultConnection(NWCONN_HANDLE& conn);
  int OpenConnection(const char* server, NWCONN_HANDLE& conn);
  int FindObjectID(NWCONN_HANDLE conn, const char* object, NWOBJ_TYPE type, NWOBJ_ID& objectID);

  // Directory: the queue or printer object's print server, if the current user may use it.
  int FindDirectoryQueueAddress(const char* tree, const char* context, const char* object, CString& address);
  int ReadObjectAttributes(const char* object, int alias);
  void ReadAttribute(const char* object, const char* attribute, int alias);
  void GetAttributeValues(const char* object, const char* attribute, CStringList& values);
  int IsCurrentUserEntry(const char* entry);
  static CString MakeFullName(const char* name, const char* context);
  void GetQueueUsers(const char* queue, CStringList& users);
  int FindDirectoryPrintServerAddress(const char* printServer, CString& address);

  CNWFunc* m_pNWFunc;
  int m_bUnavailable;
  NWDSContextHandle m_hContext;
  CStringList m_lstDirectoryTrees;
  CStringList m_lstDevices;
  CString m_strTree;
  CString m_strContext;
  CString m_strObjectClass;
  CString m_strPrintServer;
  int m_bUserAllowed;
  // What remains of this lookup's allowance of listed entries.
  std::uint32_t m_nEntriesLeft;

 private:
  CNWQuery(const CNWQuery&);
  CNWQuery& operator=(const CNWQuery&);
  int PrepareContext();
  // Takes one entry of the allowance; false once it is used up, which ends
  // the listing under way as a failure.
  bool TakeEntry();
  // Reads the attribute names of an object and runs act on each; 0 when all were read.
  template <typename Act>
  int ForEachAttributeName(const char* object, Act act);
  // Reads the values of one attribute and runs act(name, syntax, value text, value) on each.
  template <typename Act>
  void ForEachAttributeValue(const char* object, const char* attribute, Act act);
};
