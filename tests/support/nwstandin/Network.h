// The NetWare client stand-in: five libraries under the client's names that
// answer the client calls from a described network, a text file named by
// ZRADDRRES_NETWARE_NETWORK (see example-network.txt for the format). Each
// library carries its own copy of this model and re-reads the file when it
// changes; handles are plain numbers, so the libraries share no state.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "netware/NWClientApi.h"
#include "platform/Export.h"

#define NWSTANDIN_EXPORT extern "C" ZR_DLL_EXPORT

namespace nwstandin {

struct BinderyObject {
  std::string name;
  NWOBJ_TYPE type = 0;
  NWOBJ_ID id = 0;
  bool hasAddress = false;
  unsigned char address[12] = {};
  std::vector<std::string> attached;  // a queue's print servers, by name
};

struct FileServer {
  std::string name;
  std::vector<BinderyObject> objects;  // in scan order
};

struct AttributeValue {
  std::vector<std::string> fields;  // as written after the syntax
};

struct Attribute {
  std::string name;
  std::uint32_t syntax = 0;
  std::vector<AttributeValue> values;
};

struct DirectoryObject {
  std::string name;  // full name without a leading dot: Q1.OU.O
  std::string objectClass;
  std::uint32_t flags = 0;
  std::vector<Attribute> attributes;
};

struct DirectoryTree {
  std::string name;
  std::vector<DirectoryObject> objects;
};

struct QueueUsers {
  std::string queue;
  std::vector<std::string> users;
};

struct Network {
  std::vector<FileServer> servers;
  std::vector<DirectoryTree> trees;
  std::vector<QueueUsers> queueUsers;
  int primary = -1;      // server index
  int defaultConn = -1;  // server index; -1 when none
  bool defaultGiven = false;
  std::string whoAmI;
  std::map<std::string, NWCCODE> failures;
  // A client that misbehaves as a test scripts it (see example-network.txt):
  // listings that never end (for how many calls; 0 for ever), a made-up
  // value size, a made-up count of a queue's print servers.
  std::map<std::string, long long> endless;
  bool valueSizeGiven = false;
  std::uint32_t valueSize = 0;
  bool serverCountGiven = false;
  std::uint32_t serverCount = 0;
};

// The network as the file describes it now, under the stand-in's lock.
// Each client call starts with Enter(name): it counts the call and tells
// whether the described network asks that call to fail (code set).
class Session {
 public:
  explicit Session(const char* call);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  const Network& Net() const { return *m_network; }
  bool Fails(NWCCODE& code) const;
  // Whether the described network makes this call's listing go on for ever
  // (or for its first N calls since the counts were reset).
  bool Endless() const;

 private:
  std::unique_lock<std::mutex> m_lock;
  const Network* m_network;
  std::string m_call;
  long long m_number;  // this call's number since the counts were reset
};

// Parses a described network; on an error, message names the line.
bool ParseNetwork(const std::string& text, Network& network, std::string& message);

// Helpers shared by the libraries.
bool SameText(const std::string& a, const std::string& b);  // ASCII letters without case
const FileServer* ServerOfConnection(const Network& network, NWCONN_HANDLE conn);
void CopyText(char* out, std::size_t size, const std::string& text);

// Bindery names fit 48 bytes with their terminator.
const std::size_t c_nBinderyNameSize = NW_MAX_BINDERY_NAME;

#define FAIL_ON_REQUEST(session) \
  NWCCODE requested = 0;         \
  if ((session).Fails(requested)) return requested;

}  // namespace nwstandin

// In every library: how often a call was made since the last reset.
NWSTANDIN_EXPORT int NWStandInCallCount(const char* call);
NWSTANDIN_EXPORT void NWStandInResetCounts(void);
