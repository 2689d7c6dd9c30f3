// calwin32: the bindery calls and the default connection.
#include <cstring>

#include "tests/support/nwstandin/Network.h"

using nwstandin::BinderyObject;
using nwstandin::FileServer;
using nwstandin::Session;

namespace {

const NWCCODE c_nNoSuchProperty = 0x89FB;
const NWCCODE c_nInvalidConnection = 0x8801;
const NWCCODE c_nNotSupported = 0x89FF;

bool Matches(const std::string& pattern, const std::string& name) { return pattern == "*" || pattern == name; }

}  // namespace

NWSTANDIN_EXPORT NWCCODE NWAPI NWCallsInit(void*, void*) {
  Session s("NWCallsInit");
  FAIL_ON_REQUEST(s);
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWVerifyObjectPassword(NWCONN_HANDLE, const char*, NWOBJ_TYPE, const char*) {
  Session s("NWVerifyObjectPassword");
  FAIL_ON_REQUEST(s);
  return c_nNotSupported;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWLoginToFileServer(NWCONN_HANDLE, const char*, NWOBJ_TYPE, const char*) {
  Session s("NWLoginToFileServer");
  FAIL_ON_REQUEST(s);
  return c_nNotSupported;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWLogoutFromFileServer(NWCONN_HANDLE) {
  Session s("NWLogoutFromFileServer");
  FAIL_ON_REQUEST(s);
  return 0;
}

// Objects of a type whose name the pattern matches (byte for byte, as the
// bindery keeps names in upper case), after the one whose identifier is given.
NWSTANDIN_EXPORT NWCCODE NWAPI NWScanObject(NWCONN_HANDLE conn, const char* searchName, NWOBJ_TYPE searchType,
                                            NWOBJ_ID* objectID, char* objectName, NWOBJ_TYPE* objectType,
                                            std::uint8_t* hasProperties, std::uint8_t* objectFlags,
                                            std::uint8_t* objectSecurity) {
  Session s("NWScanObject");
  FAIL_ON_REQUEST(s);
  const FileServer* server = nwstandin::ServerOfConnection(s.Net(), conn);
  if (server == nullptr) return c_nInvalidConnection;
  if (searchName == nullptr || objectID == nullptr) return c_nNotSupported;
  bool started = *objectID == 0xFFFFFFFF;
  // Endless: past the last object the scan starts over from the first.
  for (int round = 0; round < (s.Endless() ? 2 : 1); ++round, started = true) {
    for (const BinderyObject& object : server->objects) {
      if (!started) {
        started = object.id == *objectID;
        continue;
      }
      if (object.type != searchType || !Matches(searchName, object.name)) continue;
      *objectID = object.id;
      nwstandin::CopyText(objectName, nwstandin::c_nBinderyNameSize, object.name);
      if (objectType) *objectType = object.type;
      if (hasProperties) *hasProperties = object.hasAddress ? 0xFF : 0;
      if (objectFlags) *objectFlags = 0;
      if (objectSecurity) *objectSecurity = 0x31;
      return 0;
    }
  }
  return NW_NO_SUCH_OBJECT;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWReadQueueCurrentStatus2(NWCONN_HANDLE conn, NWOBJ_ID queueID,
                                                         std::uint32_t* queueStatus, std::uint32_t* jobCount,
                                                         std::uint32_t* serverCount, NWOBJ_ID* serverIDs,
                                                         std::uint32_t* serverConns) {
  Session s("NWReadQueueCurrentStatus2");
  FAIL_ON_REQUEST(s);
  const FileServer* server = nwstandin::ServerOfConnection(s.Net(), conn);
  if (server == nullptr) return c_nInvalidConnection;
  for (const BinderyObject& queue : server->objects) {
    if (queue.id != queueID || queue.type != 0x0300) continue;
    std::uint32_t count = 0;
    for (const std::string& name : queue.attached) {
      if (count == NW_MAX_QUEUE_SERVERS) break;
      // A print server the bindery does not know keeps an identifier of no object.
      NWOBJ_ID id = 0xDEAD0000u + count;
      for (const BinderyObject& object : server->objects) {
        if (object.name == name) id = object.id;
      }
      if (serverIDs) serverIDs[count] = id;
      if (serverConns) serverConns[count] = count + 1;
      ++count;
    }
    if (queueStatus) *queueStatus = 0;
    if (jobCount) *jobCount = 0;
    // A made-up count may be more than the identifiers written.
    if (serverCount) *serverCount = s.Net().serverCountGiven ? s.Net().serverCount : count;
    return 0;
  }
  return NW_NO_SUCH_OBJECT;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWGetObjectName(NWCONN_HANDLE conn, NWOBJ_ID objectID, char* objectName,
                                               NWOBJ_TYPE* objectType) {
  Session s("NWGetObjectName");
  FAIL_ON_REQUEST(s);
  const FileServer* server = nwstandin::ServerOfConnection(s.Net(), conn);
  if (server == nullptr) return c_nInvalidConnection;
  for (const BinderyObject& object : server->objects) {
    if (object.id != objectID) continue;
    nwstandin::CopyText(objectName, nwstandin::c_nBinderyNameSize, object.name);
    if (objectType) *objectType = object.type;
    return 0;
  }
  return NW_NO_SUCH_OBJECT;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWReadPropertyValue(NWCONN_HANDLE conn, const char* objectName, NWOBJ_TYPE objectType,
                                                   const char* propertyName, std::uint8_t segment, std::uint8_t* value,
                                                   std::uint8_t* moreSegments, std::uint8_t* flags) {
  Session s("NWReadPropertyValue");
  FAIL_ON_REQUEST(s);
  const FileServer* server = nwstandin::ServerOfConnection(s.Net(), conn);
  if (server == nullptr) return c_nInvalidConnection;
  if (objectName == nullptr || propertyName == nullptr || value == nullptr) return c_nNotSupported;
  for (const BinderyObject& object : server->objects) {
    if (object.type != objectType || !nwstandin::SameText(object.name, objectName)) continue;
    if (std::strcmp(propertyName, "NET_ADDRESS") != 0 || segment != 1 || !object.hasAddress) {
      return c_nNoSuchProperty;
    }
    std::memset(value, 0, 128);
    std::memcpy(value, object.address, 12);
    if (moreSegments) *moreSegments = 0;
    if (flags) *flags = 0;
    return 0;
  }
  return NW_NO_SUCH_OBJECT;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWGetDefaultConnectionID(NWCONN_HANDLE* conn) {
  Session s("NWGetDefaultConnectionID");
  FAIL_ON_REQUEST(s);
  if (s.Net().defaultConn < 0) return NW_INVALID_CONNECTION;
  *conn = static_cast<NWCONN_HANDLE>(s.Net().defaultConn + 1);
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWGetConnectionStatus(NWCONN_HANDLE, void*, std::uint16_t) {
  Session s("NWGetConnectionStatus");
  FAIL_ON_REQUEST(s);
  return c_nNotSupported;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWGetConnectionList(std::uint16_t, NWCONN_HANDLE*, std::uint16_t,
                                                   std::uint16_t* count) {
  Session s("NWGetConnectionList");
  FAIL_ON_REQUEST(s);
  if (count) *count = 0;
  return 0;
}

NWSTANDIN_EXPORT NWCCODE NWAPI NWGetQueueJobList2(NWCONN_HANDLE, NWOBJ_ID, std::uint32_t, void*) {
  Session s("NWGetQueueJobList2");
  FAIL_ON_REQUEST(s);
  return c_nNotSupported;
}
