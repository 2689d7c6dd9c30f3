// Setting up a NetWare lookup, and the bindery search for a queue's print server.
#include "netware/NWQuery.h"

#include <atomic>
#include <cstring>

#include "netware/NWTexts.h"

namespace {

const NWDSContextHandle c_hNoContext = 0xFFFFFFFF;
const NWOBJ_ID c_nScanStart = 0xFFFFFFFF;
// Object types as the client takes them.
const NWOBJ_TYPE c_nTreeType = 0x7802;
const NWOBJ_TYPE c_nQueueType = 0x0300;
const NWOBJ_TYPE c_nPrintServerTypes[] = {0x0905, 0xAD05};
const std::size_t c_nTreeNameChars = 32;

std::atomic<std::uint32_t> g_nLookupEntries{zrnetware::c_nLookupEntries};

}  // namespace

void zrnetware::SetLookupEntriesForTesting(std::uint32_t entries) {
  g_nLookupEntries = entries != 0 ? entries : c_nLookupEntries;
}

CNWQuery::CNWQuery()
    : m_pNWFunc(nullptr), m_bUnavailable(1), m_hContext(c_hNoContext), m_bUserAllowed(0),
      m_nEntriesLeft(g_nLookupEntries) {
  unsigned long error = 0;
  m_pNWFunc = GetNWFuncTable(&error);
  if (error != 0) return;
  if (m_pNWFunc->NWCallsInit(nullptr, nullptr) != 0) return;
  if (m_pNWFunc->NWDSCreateContextHandle(&m_hContext) != 0) {
    m_pNWFunc->NWDSFreeContext(m_hContext);
    m_hContext = c_hNoContext;
    return;
  }
  m_bUnavailable = 0;
  if (!PrepareContext()) {
    m_bUnavailable = 1;
    // The context is this lookup's own: release it here, since the
    // destructor frees only the context of a usable query.
    if (m_hContext != c_hNoContext) m_pNWFunc->NWDSFreeContext(m_hContext);
    m_hContext = c_hNoContext;
  }
}

CNWQuery::~CNWQuery() {
  if (!m_bUnavailable && m_hContext != c_hNoContext) m_pNWFunc->NWDSFreeContext(m_hContext);
}

bool CNWQuery::TakeEntry() {
  if (m_nEntriesLeft == 0) return false;
  --m_nEntriesLeft;
  return true;
}

int CNWQuery::PrepareContext() {
  CNWFunc& nw = *m_pNWFunc;
  m_lstDirectoryTrees.RemoveAll();
  NWCONN_REF reference = 0;
  NWCONN_HANDLE conn = 0;
  if (nw.NWCCGetPrimConnRef(&reference) == 0 && nw.NWCCOpenConnByRef(reference, 1, 0, &conn) == 0) {
    NWOBJ_ID objectID = c_nScanStart;
    char name[NW_MAX_BINDERY_NAME + 1];
    for (;;) {
      if (!TakeEntry()) {
        // A scan that never ends: NetWare is not usable through this client.
        m_lstDirectoryTrees.RemoveAll();
        break;
      }
      std::memset(name, 0, sizeof name);
      if (nw.NWScanObject(conn, "*", c_nTreeType, &objectID, name, nullptr, nullptr, nullptr, nullptr) != 0) break;
      name[c_nTreeNameChars] = '\0';
      CString tree(name);
      zrnetware::RemoveTreeNamePadding(tree);
      m_lstDirectoryTrees.AddTail(tree);
    }
    nw.NWCCCloseConn(conn);
  }
  if (m_lstDirectoryTrees.IsEmpty()) return 0;

  std::uint32_t flags = 0;
  if (nw.NWDSGetContext(m_hContext, NW_DCK_FLAGS, &flags) == NW_ERR_BAD_CONTEXT) {
    nw.NWDSFreeContext(m_hContext);
    m_hContext = c_hNoContext;
    return 0;
  }
  flags |= NW_DCV_TYPELESS_NAMES;
  if (nw.NWDSSetContext(m_hContext, NW_DCK_FLAGS, &flags) == NW_ERR_BAD_CONTEXT) {
    nw.NWDSFreeContext(m_hContext);
    m_hContext = c_hNoContext;
    return 0;
  }
  char tree[NW_MAX_TREE_NAME + 1] = {};
  char context[NW_MAX_DN_CHARS + 1] = {};
  if (nw.NWDSGetContext(m_hContext, NW_DCK_TREE_NAME, tree) != 0) return 0;
  if (nw.NWDSGetContext(m_hContext, NW_DCK_NAME_CONTEXT, context) != 0) return 0;
  return 1;
}

int CNWQuery::GetDefaultConnection(NWCONN_HANDLE& conn) {
  NWCCODE rc = m_pNWFunc->NWGetDefaultConnectionID(&conn);
  if (rc == 0) return 0;
  return rc == NW_INVALID_CONNECTION ? 2 : 1;
}

int CNWQuery::OpenConnection(const char* server, NWCONN_HANDLE& conn) {
  return m_pNWFunc->NWCCOpenConnByName(0, server, 2, 1, 0, &conn) == 0 ? 0 : 1;
}

int CNWQuery::FindObjectID(NWCONN_HANDLE conn, const char* object, NWOBJ_TYPE type, NWOBJ_ID& objectID) {
  CString name(object);
  name.MakeUpper();
  NWOBJ_ID found = c_nScanStart;
  char foundName[NW_MAX_BINDERY_NAME + 1] = {};
  NWCCODE rc = m_pNWFunc->NWScanObject(conn, name, type, &found, foundName, nullptr, nullptr, nullptr, nullptr);
  if (rc == 0) {
    objectID = found;
    return 0;
  }
  return rc == NW_NO_SUCH_OBJECT ? 3 : 1;
}

int CNWQuery::FindBinderyQueueAddress(const char* server, const char* queue, CString& address) {
  if (m_bUnavailable) return 0;
  NWCONN_HANDLE conn = 0;
  if (OpenConnection(server, conn) != 0) return 0;
  CStringList printServers;
  NWOBJ_ID queueID = 0;
  std::uint32_t status = 0, jobs = 0, count = 0;
  NWOBJ_ID serverIDs[NW_MAX_QUEUE_SERVERS] = {};
  std::uint32_t serverConns[NW_MAX_QUEUE_SERVERS] = {};
  bool ok = FindObjectID(conn, queue, c_nQueueType, queueID) == 0 &&
            m_pNWFunc->NWReadQueueCurrentStatus2(conn, queueID, &status, &jobs, &count, serverIDs, serverConns) == 0;
  if (ok) {
    // The status has room for 25 print servers: a larger count is the client's
    // mistake, and reading on would read past the identifiers.
    if (count > NW_MAX_QUEUE_SERVERS) count = NW_MAX_QUEUE_SERVERS;
    for (std::uint32_t i = 0; i < count; ++i) {
      char name[NW_MAX_BINDERY_NAME] = {};
      NWOBJ_TYPE type = 0;
      if (m_pNWFunc->NWGetObjectName(conn, serverIDs[i], name, &type) == 0 && name[0] != '\0') {
        name[sizeof name - 1] = '\0';
        printServers.AddTail(name);
      }
    }
  }
  // The connection opened by name is this lookup's own.
  m_pNWFunc->NWCCCloseConn(conn);
  return ok ? FindPrintServerAddress(server, printServers, address) : 0;
}

int CNWQuery::FindPrintServerAddress(const char*, const CStringList& printServers, CString& address) {
  if (m_bUnavailable) return 0;
  CStringList objects;
  if (ListPrintServerObjects(objects) != 0) return 0;
  for (POSITION at = objects.GetHeadPosition(); at != nullptr;) {
    const CString& object = objects.GetNext(at);
    for (POSITION name = printServers.GetHeadPosition(); name != nullptr;) {
      if (object.CompareNoCase(printServers.GetNext(name)) != 0) continue;
      unsigned char record[12] = {};
      if (ReadNetAddress(object, record) == 0) {
        CString text = zrnetware::IPXAddressText(record);
        if (zrnetware::HasMakerPrefix(text)) {
          address = text;
          return 1;
        }
      }
      break;
    }
  }
  return 0;
}

int CNWQuery::ListPrintServerObjects(CStringList& objects) {
  if (m_bUnavailable) return 1;
  objects.RemoveAll();
  NWCONN_HANDLE conn = 0;
  int rc = GetDefaultConnection(conn);
  if (rc != 0) return rc;
  for (NWOBJ_TYPE type : c_nPrintServerTypes) {
    NWOBJ_ID objectID = c_nScanStart;
    for (;;) {
      if (!TakeEntry()) return 1;
      char name[NW_MAX_BINDERY_NAME + 1] = {};
      NWCCODE scan = m_pNWFunc->NWScanObject(conn, "*", type, &objectID, name, nullptr, nullptr, nullptr, nullptr);
      if (scan == NW_NO_SUCH_OBJECT) break;
      if (scan != 0) return 1;
      objects.AddTail(name);
    }
  }
  return 0;
}

int CNWQuery::ReadNetAddress(const char* object, unsigned char record[12]) {
  if (m_bUnavailable) return 1;
  record[0] = 0;
  NWCONN_HANDLE conn = 0;
  int rc = GetDefaultConnection(conn);
  if (rc != 0) return rc;
  for (NWOBJ_TYPE type : c_nPrintServerTypes) {
    std::uint8_t value[128] = {};
    std::uint8_t more = 0, flags = 0;
    NWCCODE read = m_pNWFunc->NWReadPropertyValue(conn, object, type, "NET_ADDRESS", 1, value, &more, &flags);
    if (read == 0) {
      std::memcpy(record, value, 12);
      return 0;
    }
    if (read != NW_NO_SUCH_OBJECT) return 1;
  }
  return 3;
}

CString CNWQuery::MakeFullName(const char* name, const char* context) { return zrnetware::MakeFullName(name, context); }
