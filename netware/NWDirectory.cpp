// The directory search: the queue or printer object named by a port, its
// print server and whether the current user may print to it.
#include <cstring>
#include <memory>
#include <new>

#include "netware/NWQuery.h"
#include "netware/NWTexts.h"

namespace {

const NWITERATION c_nIterationDone = -1;
const std::size_t c_nNameBuffer = 2 * NW_MAX_DN_CHARS + 2;  // double-byte names
const std::size_t c_nCollectionSize = 4096;

bool IsPrintObjectClass(const CString& objectClass) { return objectClass == "Queue" || objectClass == "Printer"; }

// A directory buffer released on every path.
class CDSBuffer {
 public:
  explicit CDSBuffer(CNWFunc& nw) : m_nw(nw), m_pBuf(nullptr) {}
  ~CDSBuffer() {
    if (m_pBuf) m_nw.NWDSFreeBuf(m_pBuf);
  }
  bool Alloc(std::size_t size) { return m_nw.NWDSAllocBuf(size, &m_pBuf) >= 0 && m_pBuf != nullptr; }
  Buf_T* Get() const { return m_pBuf; }

 private:
  CDSBuffer(const CDSBuffer&);
  CDSBuffer& operator=(const CDSBuffer&);
  CNWFunc& m_nw;
  Buf_T* m_pBuf;
};

}  // namespace

template <typename Act>
int CNWQuery::ForEachAttributeName(const char* object, Act act) {
  CNWFunc& nw = *m_pNWFunc;
  CDSBuffer result(nw);
  if (!result.Alloc(NW_DS_BUFFER_SIZE)) return 1;
  NWITERATION iteration = c_nIterationDone;
  do {
    if (!TakeEntry()) return 1;
    if (nw.NWDSRead(m_hContext, object, NW_DS_ATTRIBUTE_NAMES, 1, nullptr, &iteration, result.Get()) < 0) return 1;
    std::uint32_t count = 0;
    if (nw.NWDSGetAttrCount(m_hContext, result.Get(), &count) < 0) return 1;
    for (std::uint32_t i = 0; i < count; ++i) {
      if (!TakeEntry()) return 1;
      char name[c_nNameBuffer] = {};
      std::uint32_t values = 0, syntax = 0;
      if (nw.NWDSGetAttrName(m_hContext, result.Get(), name, &values, &syntax) < 0) return 1;
      if (!act(name)) return 0;
    }
  } while (iteration != c_nIterationDone);
  return 0;
}

template <typename Act>
void CNWQuery::ForEachAttributeValue(const char* object, const char* attribute, Act act) {
  CNWFunc& nw = *m_pNWFunc;
  CDSBuffer request(nw);
  CDSBuffer result(nw);
  if (!request.Alloc(NW_DS_BUFFER_SIZE) || !result.Alloc(NW_DS_BUFFER_SIZE)) return;
  if (nw.NWDSInitBuf(m_hContext, NW_DS_READ, request.Get()) < 0) return;
  if (nw.NWDSPutAttrName(m_hContext, request.Get(), attribute) < 0) return;
  NWITERATION iteration = c_nIterationDone;
  do {
    if (!TakeEntry()) return;
    if (nw.NWDSRead(m_hContext, object, NW_DS_ATTRIBUTE_VALUES, 0, request.Get(), &iteration, result.Get()) < 0) {
      return;
    }
    std::uint32_t count = 0;
    if (nw.NWDSGetAttrCount(m_hContext, result.Get(), &count) < 0 || count == 0) return;
    char name[c_nNameBuffer] = {};
    std::uint32_t values = 0, syntax = 0;
    if (nw.NWDSGetAttrName(m_hContext, result.Get(), name, &values, &syntax) < 0) return;
    for (std::uint32_t i = 0; i < values; ++i) {
      if (!TakeEntry()) return;
      std::uint32_t size = 0;
      if (nw.NWDSComputeAttrValSize(m_hContext, result.Get(), syntax, &size) < 0) return;
      // The size is the client's word: one beyond any real value ends the
      // reading, as does memory that cannot be had; neither may throw.
      if (size > zrnetware::c_nMaxValueSize) return;
      // Value records hold pointers: keep them aligned.
      std::unique_ptr<std::uint64_t[]> value(new (std::nothrow) std::uint64_t[size / sizeof(std::uint64_t) + 1]());
      if (!value) return;
      if (nw.NWDSGetAttrVal(m_hContext, result.Get(), syntax, value.get()) < 0) return;
      CString text = zrnetware::AttributeValueText(syntax, value.get());
      if (!act(CString(name), syntax, text, static_cast<const void*>(value.get()))) return;
    }
  } while (iteration != c_nIterationDone);
}

int CNWQuery::FindDirectoryQueueAddress(const char* tree, const char* context, const char* object,
                                        CString& address) {
  if (m_bUnavailable) return 0;
  CNWFunc& nw = *m_pNWFunc;
  m_strTree = tree;
  if (nw.NWDSSetContext(m_hContext, NW_DCK_TREE_NAME, static_cast<const char*>(m_strTree)) != 0) return 0;
  m_strContext = context;
  if (nw.NWDSSetContext(m_hContext, NW_DCK_NAME_CONTEXT, static_cast<const char*>(m_strContext)) != 0) return 0;

  CDSBuffer list(nw);
  if (!list.Alloc(NW_DS_BUFFER_SIZE)) return 0;
  NWITERATION iteration = c_nIterationDone;
  do {
    if (!TakeEntry()) return 0;
    if (nw.NWDSList(m_hContext, "", &iteration, list.Get()) < 0) return 0;
    std::uint32_t count = 0;
    if (nw.NWDSGetObjectCount(m_hContext, list.Get(), &count) < 0) return 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      if (!TakeEntry()) return 0;
      char name[c_nNameBuffer] = {};
      std::uint32_t attributes = 0;
      Object_Info_T info;
      std::memset(&info, 0, sizeof info);
      if (nw.NWDSGetObjectName(m_hContext, list.Get(), name, &attributes, &info) < 0) return 0;
      if ((info.objectFlags & NW_DS_CONTAINER_ENTRY) || CString(name).CompareNoCase(object) != 0) continue;
      ReadObjectAttributes(name, (info.objectFlags & NW_DS_ALIAS_ENTRY) ? 1 : 0);
      if (m_strObjectClass.CompareNoCase("Queue") != 0 && m_strObjectClass.CompareNoCase("Printer") != 0) continue;
      if (!m_bUserAllowed || m_strPrintServer.IsEmpty()) continue;
      CString printServer = MakeFullName(m_strPrintServer, m_strContext);
      int dot = printServer.Find('.');
      if (dot >= 0) printServer = printServer.Left(dot);
      return FindDirectoryPrintServerAddress(printServer, address);
    }
  } while (iteration != c_nIterationDone);
  return 0;
}

int CNWQuery::ReadObjectAttributes(const char* object, int alias) {
  if (m_bUnavailable) return 1;
  m_lstDevices.RemoveAll();
  m_strObjectClass.Empty();
  m_strPrintServer.Empty();
  m_bUserAllowed = 0;
  return ForEachAttributeName(object, [&](const char* attribute) {
    ReadAttribute(object, attribute, alias);
    return m_strObjectClass.IsEmpty() || IsPrintObjectClass(m_strObjectClass);
  });
}

void CNWQuery::ReadAttribute(const char* object, const char* attribute, int) {
  if (m_bUnavailable) return;
  // The attribute's texts, each with CR LF: reading stops at the first that does not fit.
  std::size_t collected = 0;
  ForEachAttributeValue(object, attribute, [&](const CString& name, std::uint32_t syntax, const CString& text,
                                               const void* value) {
    if (syntax == SYN_OBJECT_ACL) {
      const Object_ACL_T& acl = *static_cast<const Object_ACL_T*>(value);
      // Only the write right alone on the status names the print server.
      if (zrnetware::AclRightsText(acl) == "Status [W]" && m_strPrintServer.IsEmpty()) {
        m_strPrintServer = acl.subjectName ? acl.subjectName : "";
      }
    }
    bool more = true;
    if (name == "Object Class") {
      if (m_strObjectClass.IsEmpty()) m_strObjectClass = text;
      if (!IsPrintObjectClass(m_strObjectClass)) more = false;
    } else if (name == "Server") {
      if (m_strPrintServer.IsEmpty()) m_strPrintServer = text;
    } else if (name == "User") {
      if (!m_bUserAllowed) m_bUserAllowed = IsCurrentUserEntry(text);
    } else if (name == "Device") {
      m_lstDevices.AddTail(text);
    } else if (name == "Default Queue") {
      if (m_lstDevices.IsEmpty()) GetAttributeValues(text, "Device", m_lstDevices);
      if (!m_bUserAllowed) {
        CStringList users;
        GetQueueUsers(text, users);
        int allowed = 0;
        for (POSITION at = users.GetHeadPosition(); at != nullptr && !allowed;) {
          allowed = IsCurrentUserEntry(users.GetNext(at));
        }
        m_bUserAllowed = allowed;
      }
    }
    const std::size_t length = static_cast<std::size_t>(text.GetLength());
    if (collected + length + 2 + 1 > c_nCollectionSize) return false;
    collected += length + 2;
    return more;
  });
}

void CNWQuery::GetAttributeValues(const char* object, const char* attribute, CStringList& values) {
  values.RemoveAll();
  if (m_bUnavailable) return;
  CString wanted(attribute);
  CString found;
  ForEachAttributeName(object, [&](const char* name) {
    if (wanted.CompareNoCase(name) != 0) return true;
    found = name;
    return false;
  });
  if (found.IsEmpty()) return;
  ForEachAttributeValue(object, found, [&](const CString&, std::uint32_t syntax, const CString& text, const void*) {
    values.AddTail((syntax == SYN_TIMESTAMP || syntax == SYN_TIME || syntax == SYN_STREAM) ? "" : text);
    return true;
  });
}

int CNWQuery::IsCurrentUserEntry(const char* entry) {
  if (m_bUnavailable) return 0;
  CString entryName = MakeFullName(entry, m_strContext);
  char user[c_nNameBuffer] = {};
  if (m_pNWFunc->NWDSWhoAmI(m_hContext, user) != 0) return 0;
  CString userName = MakeFullName(user, m_strContext);
  const int entryLength = entryName.GetLength();
  const int userLength = userName.GetLength();
  if (entryLength < userLength) {
    // A container above the user: its name ends the user's, at a dot, so
    // that ou.o does not pass a user of xou.o.
    if (userName[userLength - entryLength - 1] == '.' && userName.Right(entryLength).CompareNoCase(entryName) == 0) {
      return 1;
    }
  } else if (entryName.CompareNoCase(userName) == 0) {
    return 1;
  }
  CStringList members;
  GetAttributeValues(entry, "Member", members);
  for (POSITION at = members.GetHeadPosition(); at != nullptr;) {
    if (MakeFullName(members.GetNext(at), m_strContext).CompareNoCase(userName) == 0) return 1;
  }
  return 0;
}

void CNWQuery::GetQueueUsers(const char* queue, CStringList& users) {
  users.RemoveAll();
  if (m_bUnavailable) return;
  CNWFunc& nw = *m_pNWFunc;
  CDSBuffer value(nw);
  // The client's print configuration fills the buffer's own bytes with one user.
  if (!value.Alloc(NW_PS_VALUE_SIZE)) return;
  std::uint32_t sequence = 0;
  if (!TakeEntry()) return;
  if (nw.NWPSCfgGetFirstPrintQueueAttr(NW_PS_CONN_DIRECTORY, m_hContext, queue, NW_PS_QUEUE_USERS, &sequence,
                                       value.Get()) != 0) {
    return;
  }
  NWPS_Queue_User_T* user = reinterpret_cast<NWPS_Queue_User_T*>(value.Get());
  for (;;) {
    user->name[sizeof user->name - 1] = '\0';
    users.AddTail(user->name);
    if (!TakeEntry()) {
      // An enumeration that never ends gives no users to trust.
      users.RemoveAll();
      break;
    }
    if (nw.NWPSCfgGetNextPrintQueueAttr(&sequence, NW_PS_QUEUE_USERS, value.Get()) != 0) break;
  }
  nw.NWPSCfgEndNextPrintQueueAttr(&sequence);
}

int CNWQuery::FindDirectoryPrintServerAddress(const char* printServer, CString& address) {
  if (m_bUnavailable) return 0;
  CStringList objects;
  if (ListPrintServerObjects(objects) != 0) return 0;
  for (POSITION at = objects.GetHeadPosition(); at != nullptr;) {
    const CString& object = objects.GetNext(at);
    bool candidate = object.CompareNoCase(printServer) == 0;
    int devices = 0;
    for (POSITION device = m_lstDevices.GetHeadPosition();
         device != nullptr && !candidate && devices++ < zrnetware::c_nMaxDevices;) {
      const CString& text = m_lstDevices.GetNext(device);
      int dot = text.Find('.');
      candidate = object.CompareNoCase(dot >= 0 ? text.Left(dot) : text) == 0;
    }
    if (!candidate) continue;
    unsigned char record[12] = {};
    if (ReadNetAddress(object, record) != 0) continue;
    CString text = zrnetware::IPXAddressText(record);
    if (zrnetware::HasMakerPrefix(text)) {
      address = text;
      return 1;
    }
  }
  return 0;
}
