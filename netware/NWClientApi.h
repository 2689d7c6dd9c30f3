// The NetWare client's calling forms, as this library calls them: handles,
// result buffers, object information, attribute values of each syntax,
// access-control records and network addresses. Written from how the library
// uses each call. The client stand-in of the tests
// implements the same forms.
//
// ZR_NW_CLIENT_FUNCTIONS lists all 68 client functions in the order the
// table loads them, each with its library, result, the result of a table
// that is not loaded, and its arguments (one 32-bit word each on the 32-bit
// client).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Types.h"

typedef std::int32_t NWCCODE;             // client results: 0 success, 0x89xx bindery codes, negative directory codes
typedef std::uint32_t NWCONN_HANDLE;      // connection to a file server
typedef std::uint32_t NWCONN_REF;         // reference to a connection, opened with NWCCOpenConnByRef
typedef std::uint32_t NWDSContextHandle;  // directory context; all bits set when none
typedef std::uint32_t NWOBJ_ID;           // bindery object identifier
typedef std::uint16_t NWOBJ_TYPE;         // bindery object type, in the client's byte order (0x0300 a print queue)
typedef std::int32_t NWITERATION;         // directory iteration handle; -1 before the first and after the last part

struct Buf_T;  // a directory request or result buffer, opaque to callers

// Client codes the library tests for.
enum : NWCCODE {
  NW_NO_SUCH_OBJECT = 0x89FC,         // end of a bindery scan; no object of that name and type
  NW_INVALID_CONNECTION = 0x880F,     // no default connection
  NW_ERR_BAD_CONTEXT = -328,          // the directory context cannot be used
};

enum : std::uint32_t {
  NW_DCK_FLAGS = 1,
  NW_DCK_NAME_CONTEXT = 3,
  NW_DCK_TREE_NAME = 11,
  NW_DCV_TYPELESS_NAMES = 0x4,
  NW_DS_READ = 3,                  // NWDSInitBuf: a read request
  NW_DS_ATTRIBUTE_NAMES = 0,       // NWDSRead: names only
  NW_DS_ATTRIBUTE_VALUES = 1,      // NWDSRead: names and values
  NW_DS_ALIAS_ENTRY = 0x1,         // Object_Info_T flags
  NW_DS_CONTAINER_ENTRY = 0x4,
  NW_DS_BUFFER_SIZE = 4096,
  NW_MAX_TREE_NAME = 33,
  NW_MAX_DN_CHARS = 256,
  NW_MAX_BINDERY_NAME = 48,
  NW_MAX_QUEUE_SERVERS = 25,
  NW_PS_QUEUE_USERS = 34,          // print configuration attribute of a queue: its users
  NW_PS_CONN_DIRECTORY = 1,        // print configuration through the directory context
  NW_PS_VALUE_SIZE = 522,
};

// Object information of one entry of a listing (NWDSGetObjectName).
struct Object_Info_T {
  std::uint32_t objectFlags;
  std::uint32_t subordinateCount;
  std::uint32_t modificationTime;
  char baseClass[33];
};

// One queue user of the print configuration (NWPSCfgGet*PrintQueueAttr, 522 bytes).
struct NWPS_Queue_User_T {
  std::uint16_t objectType;
  char name[NW_PS_VALUE_SIZE - 2];
};

// Attribute values by syntax, as NWDSGetAttrVal writes them: the record first,
// the texts and bytes it points to after it in the same value buffer.
enum : std::uint32_t {
  SYN_DIST_NAME = 1,
  SYN_CE_STRING = 2,
  SYN_CI_STRING = 3,
  SYN_PR_STRING = 4,
  SYN_NU_STRING = 5,
  SYN_CI_LIST = 6,
  SYN_BOOLEAN = 7,
  SYN_INTEGER = 8,
  SYN_OCTET_STRING = 9,
  SYN_TEL_NUMBER = 10,
  SYN_FAX_NUMBER = 11,
  SYN_NET_ADDRESS = 12,
  SYN_OCTET_LIST = 13,
  SYN_EMAIL_ADDRESS = 14,
  SYN_PATH = 15,
  SYN_REPLICA_POINTER = 16,
  SYN_OBJECT_ACL = 17,
  SYN_PO_ADDRESS = 18,
  SYN_TIMESTAMP = 19,
  SYN_CLASS_NAME = 20,
  SYN_STREAM = 21,
  SYN_COUNTER = 22,
  SYN_BACK_LINK = 23,
  SYN_TIME = 24,
  SYN_TYPED_NAME = 25,
  SYN_HOLD = 26,
  SYN_INTERVAL = 27,
};

struct CI_List_T {
  CI_List_T* next;
  char* s;
};
struct Octet_String_T {
  std::uint32_t length;
  std::uint8_t* data;
};
struct Bit_String_T {
  std::uint32_t numOfBits;
  std::uint8_t* data;
};
struct Fax_Number_T {
  char* telephoneNumber;
  Bit_String_T parameters;
};
struct Net_Address_T {
  std::uint32_t addressType;
  std::uint32_t addressLength;
  std::uint8_t* address;
};
struct EMail_Address_T {
  std::uint32_t type;
  char* address;
};
struct Path_T {
  std::uint32_t nameSpaceType;
  char* volumeName;
  char* path;
};
struct Replica_Pointer_T {
  char* serverName;
  std::uint32_t replicaType;
  std::uint32_t replicaNumber;
  std::uint32_t count;
  Net_Address_T replicaAddressHint[1];
};
struct Object_ACL_T {
  char* protectedAttrName;
  char* subjectName;
  std::uint32_t privileges;
};
struct Postal_Address_T {
  char* line[6];
};
struct NWDS_TimeStamp_T {
  std::uint32_t wholeSeconds;
  std::uint32_t eventID;
};
struct Back_Link_T {
  std::uint32_t remoteID;
  char* objectName;
};
struct Typed_Name_T {
  char* objectName;
  std::uint32_t level;
  std::uint32_t interval;
};
struct Hold_T {
  char* objectName;
  std::uint32_t amount;
};

#define NWAPI WINAPI

// X(library, name, result type, result when not loaded, (parameters), (arguments))
#define ZR_NW_CLIENT_FUNCTIONS(X)                                                                                     \
  X(calwin32, NWCallsInit, NWCCODE, -1, (void* in, void* out), (in, out))                                            \
  X(calwin32, NWVerifyObjectPassword, NWCCODE, -1,                                                                    \
    (NWCONN_HANDLE conn, const char* name, NWOBJ_TYPE type, const char* password), (conn, name, type, password))      \
  X(calwin32, NWLoginToFileServer, NWCCODE, -1,                                                                       \
    (NWCONN_HANDLE conn, const char* name, NWOBJ_TYPE type, const char* password), (conn, name, type, password))      \
  X(calwin32, NWLogoutFromFileServer, NWCCODE, -1, (NWCONN_HANDLE conn), (conn))                                      \
  X(calwin32, NWScanObject, NWCCODE, -1,                                                                              \
    (NWCONN_HANDLE conn, const char* searchName, NWOBJ_TYPE searchType, NWOBJ_ID* objectID, char* objectName,         \
     NWOBJ_TYPE* objectType, std::uint8_t* hasProperties, std::uint8_t* objectFlags, std::uint8_t* objectSecurity),  \
    (conn, searchName, searchType, objectID, objectName, objectType, hasProperties, objectFlags, objectSecurity))     \
  X(calwin32, NWReadQueueCurrentStatus2, NWCCODE, -1,                                                                 \
    (NWCONN_HANDLE conn, NWOBJ_ID queueID, std::uint32_t* queueStatus, std::uint32_t* jobCount,                       \
     std::uint32_t* serverCount, NWOBJ_ID* serverIDs, std::uint32_t* serverConns),                                    \
    (conn, queueID, queueStatus, jobCount, serverCount, serverIDs, serverConns))                                      \
  X(calwin32, NWGetObjectName, NWCCODE, -1,                                                                           \
    (NWCONN_HANDLE conn, NWOBJ_ID objectID, char* objectName, NWOBJ_TYPE* objectType),                                \
    (conn, objectID, objectName, objectType))                                                                         \
  X(calwin32, NWReadPropertyValue, NWCCODE, -1,                                                                       \
    (NWCONN_HANDLE conn, const char* objectName, NWOBJ_TYPE objectType, const char* propertyName,                     \
     std::uint8_t segment, std::uint8_t* value, std::uint8_t* moreSegments, std::uint8_t* flags),                     \
    (conn, objectName, objectType, propertyName, segment, value, moreSegments, flags))                                \
  X(clxwin32, NWCCOpenConnByName, NWCCODE, -1,                                                                        \
    (NWCONN_HANDLE start, const char* name, std::uint32_t nameFormat, std::uint32_t openState,                        \
     std::uint32_t reserved, NWCONN_HANDLE* conn),                                                                    \
    (start, name, nameFormat, openState, reserved, conn))                                                             \
  X(clxwin32, NWCCCloseConn, NWCCODE, -1, (NWCONN_HANDLE conn), (conn))                                               \
  X(prtwin32, NWPSComAttachToPrintServer, NWCCODE, -1,                                                                \
    (std::uint32_t connType, NWCONN_HANDLE conn, std::uint16_t socket, const char* serverName,                        \
     std::uint16_t* spxID),                                                                                           \
    (connType, conn, socket, serverName, spxID))                                                                      \
  X(prtwin32, NWPSComDetachFromPrintServer, NWCCODE, -1, (std::uint16_t spxID), (spxID))                              \
  X(prtwin32, NWPSComGetPrintServerInfo, NWCCODE, -1, (std::uint16_t spxID, void* info, std::uint16_t size),          \
    (spxID, info, size))                                                                                              \
  X(prtwin32, NWPSComLoginToPrintServer, NWCCODE, -1,                                                                 \
    (std::uint32_t connType, NWCONN_HANDLE conn, std::uint16_t spxID, std::uint8_t* access),                          \
    (connType, conn, spxID, access))                                                                                  \
  X(prtwin32, NWPSComGetQueuesServiced, NWCCODE, -1,                                                                  \
    (std::uint16_t spxID, std::uint16_t printer, std::uint16_t* sequence, char* fileServer, char* queueName,          \
     std::uint16_t* priority),                                                                                        \
    (spxID, printer, sequence, fileServer, queueName, priority))                                                      \
  X(prtwin32, NWPSComGetPrinterStatus, NWCCODE, -1,                                                                   \
    (std::uint16_t spxID, std::uint16_t printer, std::uint8_t* status, std::uint8_t* trouble, std::uint8_t* active,   \
     std::uint8_t* serviceMode, std::uint16_t* form, char* formName, char* printerName),                              \
    (spxID, printer, status, trouble, active, serviceMode, form, formName, printerName))                              \
  X(locwin32, NWLlocaleconv, void*, nullptr, (void* conventions), (conventions))                                      \
  X(locwin32, NWInitUnicodeTables, NWCCODE, -1, (int country, int codePage), (country, codePage))                     \
  X(locwin32, NWFreeUnicodeTables, NWCCODE, -1, (), ())                                                               \
  X(netwin32, NWDSCreateContext, NWDSContextHandle, static_cast<NWDSContextHandle>(NW_ERR_BAD_CONTEXT), (), ())       \
  X(netwin32, NWDSCreateContextHandle, NWCCODE, -1, (NWDSContextHandle * context), (context))                         \
  X(netwin32, NWDSSetContext, NWCCODE, -1, (NWDSContextHandle context, std::uint32_t key, const void* value),         \
    (context, key, value))                                                                                            \
  X(netwin32, NWDSFreeContext, NWCCODE, -1, (NWDSContextHandle context), (context))                                   \
  X(netwin32, NWDSLogin, NWCCODE, -1,                                                                                 \
    (NWDSContextHandle context, std::uint32_t flags, const char* name, const char* password, std::uint32_t validity), \
    (context, flags, name, password, validity))                                                                       \
  X(netwin32, NWDSLogout, NWCCODE, -1, (NWDSContextHandle context), (context))                                        \
  X(netwin32, NWDSAuditGetObjectID, NWCCODE, -1,                                                                      \
    (NWDSContextHandle context, const char* name, NWCONN_HANDLE* conn, NWOBJ_ID* objectID),                           \
    (context, name, conn, objectID))                                                                                  \
  X(netwin32, NWDSAuthenticate, NWCCODE, -1, (NWCONN_HANDLE conn, std::uint32_t flags, void* sessionKey),             \
    (conn, flags, sessionKey))                                                                                        \
  X(netwin32, NWDSVerifyObjectPassword, NWCCODE, -1,                                                                  \
    (NWDSContextHandle context, std::uint32_t flags, const char* name, const char* password),                         \
    (context, flags, name, password))                                                                                 \
  X(netwin32, NWDSGetContext, NWCCODE, -1, (NWDSContextHandle context, std::uint32_t key, void* value),               \
    (context, key, value))                                                                                            \
  X(netwin32, NWDSAllocBuf, NWCCODE, -1, (std::size_t size, Buf_T * *buffer), (size, buffer))                         \
  X(netwin32, NWDSListByClassAndName, NWCCODE, -1,                                                                    \
    (NWDSContextHandle context, const char* name, const char* className, const char* subordinate,                     \
     NWITERATION* iteration, Buf_T* result),                                                                          \
    (context, name, className, subordinate, iteration, result))                                                       \
  X(netwin32, NWDSGetObjectCount, NWCCODE, -1, (NWDSContextHandle context, Buf_T * buffer, std::uint32_t * count),    \
    (context, buffer, count))                                                                                         \
  X(netwin32, NWDSGetObjectName, NWCCODE, -1,                                                                         \
    (NWDSContextHandle context, Buf_T * buffer, char* name, std::uint32_t* attrCount, Object_Info_T* info),           \
    (context, buffer, name, attrCount, info))                                                                         \
  X(netwin32, NWDSFreeBuf, NWCCODE, -1, (Buf_T * buffer), (buffer))                                                   \
  X(netwin32, NWDSComputeAttrValSize, NWCCODE, -1,                                                                    \
    (NWDSContextHandle context, Buf_T * buffer, std::uint32_t syntax, std::uint32_t * size),                          \
    (context, buffer, syntax, size))                                                                                  \
  X(netwin32, NWDSGetAttrName, NWCCODE, -1,                                                                           \
    (NWDSContextHandle context, Buf_T * buffer, char* name, std::uint32_t* valueCount, std::uint32_t* syntax),        \
    (context, buffer, name, valueCount, syntax))                                                                      \
  X(netwin32, NWDSGetAttrVal, NWCCODE, -1,                                                                            \
    (NWDSContextHandle context, Buf_T * buffer, std::uint32_t syntax, void* value), (context, buffer, syntax, value)) \
  X(netwin32, NWDSInitBuf, NWCCODE, -1, (NWDSContextHandle context, std::uint32_t operation, Buf_T * buffer),         \
    (context, operation, buffer))                                                                                     \
  X(netwin32, NWDSPutAttrName, NWCCODE, -1, (NWDSContextHandle context, Buf_T * buffer, const char* name),            \
    (context, buffer, name))                                                                                          \
  X(netwin32, NWDSRead, NWCCODE, -1,                                                                                  \
    (NWDSContextHandle context, const char* object, std::uint32_t infoType, std::uint32_t allAttributes,              \
     Buf_T* attributeNames, NWITERATION* iteration, Buf_T* result),                                                   \
    (context, object, infoType, allAttributes, attributeNames, iteration, result))                                    \
  X(netwin32, NWDSGetAttrCount, NWCCODE, -1, (NWDSContextHandle context, Buf_T * buffer, std::uint32_t * count),      \
    (context, buffer, count))                                                                                         \
  X(netwin32, NWDSMapNameToID, NWCCODE, -1,                                                                           \
    (NWDSContextHandle context, NWCONN_HANDLE conn, const char* name, NWOBJ_ID* objectID),                            \
    (context, conn, name, objectID))                                                                                  \
  X(netwin32, NWDSResolveName, NWCCODE, -1,                                                                           \
    (NWDSContextHandle context, const char* name, NWCONN_HANDLE* conn, NWOBJ_ID* objectID),                           \
    (context, name, conn, objectID))                                                                                  \
  X(netwin32, NWDSReadObjectInfo, NWCCODE, -1,                                                                        \
    (NWDSContextHandle context, const char* name, char* distinguishedName, Object_Info_T* info),                      \
    (context, name, distinguishedName, info))                                                                         \
  X(netwin32, NWIsDSServer, NWCCODE, -1, (NWCONN_HANDLE conn, char* treeName), (conn, treeName))                      \
  X(calwin32, NWGetDefaultConnectionID, NWCCODE, -1, (NWCONN_HANDLE * conn), (conn))                                  \
  X(calwin32, NWGetConnectionStatus, NWCCODE, -1, (NWCONN_HANDLE conn, void* status, std::uint16_t size),             \
    (conn, status, size))                                                                                             \
  X(calwin32, NWGetConnectionList, NWCCODE, -1,                                                                       \
    (std::uint16_t mode, NWCONN_HANDLE * conns, std::uint16_t size, std::uint16_t * count),                           \
    (mode, conns, size, count))                                                                                       \
  X(clxwin32, NWCCGetAllConnInfo, NWCCODE, -1, (NWCONN_HANDLE conn, std::uint32_t version, void* info),               \
    (conn, version, info))                                                                                            \
  X(prtwin32, NWPSCfgGetFirstPrintServer, NWCCODE, -1,                                                                \
    (std::uint32_t connType, std::uint32_t conn, std::uint32_t * sequence, char* serverName),                         \
    (connType, conn, sequence, serverName))                                                                           \
  X(prtwin32, NWPSCfgGetNextPrintServer, NWCCODE, -1, (std::uint32_t * sequence, char* serverName),                   \
    (sequence, serverName))                                                                                           \
  X(prtwin32, NWPSCfgEndNextPrintServer, NWCCODE, -1, (std::uint32_t * sequence), (sequence))                         \
  X(prtwin32, NWPSCfgGetFirstPrintQueueAttr, NWCCODE, -1,                                                             \
    (std::uint32_t connType, std::uint32_t conn, const char* queueName, std::uint16_t attribute,                      \
     std::uint32_t* sequence, void* value),                                                                           \
    (connType, conn, queueName, attribute, sequence, value))                                                          \
  X(prtwin32, NWPSCfgGetNextPrintQueueAttr, NWCCODE, -1,                                                              \
    (std::uint32_t * sequence, std::uint16_t attribute, void* value), (sequence, attribute, value))                   \
  X(prtwin32, NWPSCfgEndNextPrintQueueAttr, NWCCODE, -1, (std::uint32_t * sequence), (sequence))                      \
  X(prtwin32, NWPSCfgGetFirstPrintQueue, NWCCODE, -1,                                                                 \
    (std::uint32_t connType, std::uint32_t conn, std::uint32_t * sequence, char* queueName),                          \
    (connType, conn, sequence, queueName))                                                                            \
  X(prtwin32, NWPSCfgGetNextPrintQueue, NWCCODE, -1, (std::uint32_t * sequence, char* queueName),                     \
    (sequence, queueName))                                                                                            \
  X(prtwin32, NWPSCfgEndNextPrintQueue, NWCCODE, -1, (std::uint32_t * sequence), (sequence))                          \
  X(prtwin32, NWPSCfgGetFirstPrintServerAttr, NWCCODE, -1,                                                            \
    (std::uint32_t connType, std::uint32_t conn, const char* serverName, std::uint16_t attribute,                     \
     std::uint32_t* sequence, void* value),                                                                           \
    (connType, conn, serverName, attribute, sequence, value))                                                         \
  X(prtwin32, NWPSCfgGetNextPrintServerAttr, NWCCODE, -1,                                                             \
    (std::uint32_t * sequence, std::uint16_t attribute, void* value), (sequence, attribute, value))                   \
  X(prtwin32, NWPSCfgEndNextPrintServerAttr, NWCCODE, -1, (std::uint32_t * sequence), (sequence))                     \
  X(calwin32, NWGetQueueJobList2, NWCCODE, -1,                                                                        \
    (NWCONN_HANDLE conn, NWOBJ_ID queueID, std::uint32_t start, void* jobs), (conn, queueID, start, jobs))            \
  X(netwin32, NWDSGetDefNameContext, NWCCODE, -1,                                                                     \
    (NWDSContextHandle context, std::size_t size, char* nameContext), (context, size, nameContext))                   \
  X(clxwin32, NWCCGetPrimConnRef, NWCCODE, -1, (NWCONN_REF * reference), (reference))                                 \
  X(clxwin32, NWCCOpenConnByRef, NWCCODE, -1,                                                                         \
    (NWCONN_REF reference, std::uint32_t openState, std::uint32_t reserved, NWCONN_HANDLE* conn),                     \
    (reference, openState, reserved, conn))                                                                           \
  X(netwin32, NWDSList, NWCCODE, -1,                                                                                  \
    (NWDSContextHandle context, const char* name, NWITERATION* iteration, Buf_T* result),                             \
    (context, name, iteration, result))                                                                               \
  X(netwin32, NWDSOpenStream, NWCCODE, -1,                                                                            \
    (NWDSContextHandle context, const char* name, const char* attribute, std::uint32_t flags, void* file),            \
    (context, name, attribute, flags, file))                                                                          \
  X(netwin32, NWDSWhoAmI, NWCCODE, -1, (NWDSContextHandle context, char* name), (context, name))

// The client function types, PFN_<name>.
#define ZR_NW_DECLARE_TYPE(library, name, result, notLoaded, params, args) typedef result(NWAPI* PFN_##name) params;
ZR_NW_CLIENT_FUNCTIONS(ZR_NW_DECLARE_TYPE)
#undef ZR_NW_DECLARE_TYPE
