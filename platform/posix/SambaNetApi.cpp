// The bridge to Samba's libnetapi. It is opened with dlopen on first use, not
// linked: the library and its hundred-odd companions are loaded only by a
// process that asks a server for its shares, and a machine without them only
// lacks the two share-list modules, as a Windows machine without them would.
// libnetapi keeps one context per process and is not made for concurrent
// calls, so every call into it holds one lock.
#include "platform/posix/SambaNetApi.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include <netapi.h>

#include "platform/posix/TempFolders.h"

namespace zrplatform {
namespace samba {

namespace {

// The libraries by their sonames (pkg-config netapi gives the headers).
const char kNetApiLibrary[] = "libnetapi.so.1";
const char kCredentialsLibrary[] = "libsamba-credentials.so.1";
const char kUtilLibrary[] = "libsamba-util.so.0";

// Two entries of Samba's own libraries that its public headers do not declare.
typedef const char* (*SetConfigFileFn)(const char* path);
typedef struct cli_credentials* (*InitAnonymousFn)(void* memoryContext);

struct Library {
  decltype(&::libnetapi_init) init = nullptr;
  decltype(&::libnetapi_set_creds) setCredentials = nullptr;
  decltype(&::NetShareEnum) shareEnum = nullptr;
  decltype(&::NetServerGetInfo) serverGetInfo = nullptr;
  decltype(&::NetApiBufferFree) bufferFree = nullptr;
  SetConfigFileFn setConfigFile = nullptr;
  InitAnonymousFn initAnonymous = nullptr;
  libnetapi_ctx* context = nullptr;
  bool loaded = false;
};

const std::uint32_t kSuccess = 0;
const std::uint32_t kNotEnoughMemory = 8;
const std::uint32_t kModuleNotFound = 126;
const std::uint32_t kMaxPreferredLength = 0xFFFFFFFFu;  // every record at once

std::mutex g_mutex;
Library g_library;
std::string g_folder;

template <typename F>
bool Find(void* module, const char* name, F& entry) {
  entry = reinterpret_cast<F>(dlsym(module, name));
  return entry != nullptr;
}

bool LoadLocked() {
  if (g_library.loaded) return true;
  void* netapi = dlopen(kNetApiLibrary, RTLD_NOW | RTLD_LOCAL);
  if (netapi == nullptr) return false;
  void* credentials = dlopen(kCredentialsLibrary, RTLD_NOW | RTLD_LOCAL);
  void* util = dlopen(kUtilLibrary, RTLD_NOW | RTLD_LOCAL);
  Library library;
  bool complete = credentials && util && Find(netapi, "libnetapi_init", library.init) &&
                  Find(netapi, "libnetapi_set_creds", library.setCredentials) &&
                  Find(netapi, "NetShareEnum", library.shareEnum) &&
                  Find(netapi, "NetServerGetInfo", library.serverGetInfo) &&
                  Find(netapi, "NetApiBufferFree", library.bufferFree) &&
                  Find(util, "set_dyn_CONFIGFILE", library.setConfigFile) &&
                  Find(credentials, "cli_credentials_init_anon", library.initAnonymous);
  // Kept loaded for the life of the process: Samba's libraries are not made
  // to be unloaded, and its context lives on in them.
  if (!complete) return false;
  library.loaded = true;
  g_library = library;
  return true;
}

// The client's own configuration: every folder Samba keeps state in is a
// private one, names are found through the host's resolver only (no NetBIOS,
// no broadcast that could leave the machine), no Kerberos.
bool WriteConfiguration(std::string& file) {
  // Removed at exit and on the signals that end the process: a share list
  // may wait long on a silent server, long enough to be given up with Ctrl-C.
  g_folder = posix::MakeOwnTempFolder("zraddrres-smb");
  if (g_folder.empty()) return false;
  file = g_folder + "/smb.conf";
  std::FILE* out = std::fopen(file.c_str(), "w");
  if (out == nullptr) return false;
  const char* folder = g_folder.c_str();
  std::fprintf(out,
               "[global]\n"
               "\tlock directory = %s\n\tstate directory = %s\n\tcache directory = %s\n"
               "\tprivate dir = %s\n\tpid directory = %s\n\tncalrpc dir = %s/ncalrpc\n"
               "\tdisable netbios = yes\n\tname resolve order = host\n"
               "\tclient use kerberos = off\n\tload printers = no\n\tlog level = 0\n",
               folder, folder, folder, folder, folder, folder);
  return std::fclose(out) == 0;
}

std::uint32_t InitLocked() {
  if (!LoadLocked()) return kModuleNotFound;
  if (g_library.context != nullptr) return kSuccess;
  std::string file;
  if (!WriteConfiguration(file)) return kNotEnoughMemory;
  g_library.setConfigFile(file.c_str());
  libnetapi_ctx* context = nullptr;
  if (g_library.init(&context) != 0 || context == nullptr) return kNotEnoughMemory;
  cli_credentials* anonymous = g_library.initAnonymous(nullptr);
  if (anonymous == nullptr || g_library.setCredentials(context, anonymous) != 0) return kNotEnoughMemory;
  g_library.context = context;
  return kSuccess;
}

// libnetapi answers with Windows error codes, NERR codes, or NT status codes
// of the SMB layer; the last are turned into the codes Windows gives.
std::uint32_t WindowsError(std::uint32_t status) {
  if ((status & 0xC0000000u) != 0xC0000000u) return status;
  switch (status) {
    case 0xC0000022u: return 5;     // access denied
    case 0xC000006Du: return 1326;  // logon failure
    case 0xC00000CCu: return 67;    // bad network name
    case 0xC00000B5u: return 121;   // i/o time-out
    case 0xC0000236u: return 1225;  // connection refused
    case 0xC000023Cu: return 1231;  // network unreachable
    case 0xC000023Du: return 1232;  // host unreachable
    case 0xC000020Cu: return 64;    // connection disconnected
    case 0xC0000034u: return 53;    // name not found: no such server
    default: return 59;             // unexpected network error
  }
}

const char* ServerArgument(const std::string& server) { return server.empty() ? nullptr : server.c_str(); }

std::string Text(const char* text) { return text ? text : ""; }

}  // namespace

bool Load() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return LoadLocked();
}

std::uint32_t EnumShares(const std::string& server, std::vector<Share>& shares) {
  std::lock_guard<std::mutex> lock(g_mutex);
  shares.clear();
  std::uint32_t rc = InitLocked();
  if (rc != kSuccess) return rc;
  std::uint8_t* buffer = nullptr;
  std::uint32_t read = 0;
  std::uint32_t total = 0;
  std::uint32_t resume = 0;
  rc = WindowsError(g_library.shareEnum(ServerArgument(server), 1, &buffer, kMaxPreferredLength, &read, &total,
                                        &resume));
  if (buffer != nullptr) {
    const SHARE_INFO_1* records = reinterpret_cast<const SHARE_INFO_1*>(buffer);
    for (std::uint32_t i = 0; i < read; ++i) {
      shares.push_back({Text(records[i].shi1_netname), records[i].shi1_type, Text(records[i].shi1_remark)});
    }
    g_library.bufferFree(buffer);
  }
  return rc;
}

std::uint32_t GetServerInfo101(const std::string& server, ServerInfo& info) {
  std::lock_guard<std::mutex> lock(g_mutex);
  std::uint32_t rc = InitLocked();
  if (rc != kSuccess) return rc;
  std::uint8_t* buffer = nullptr;
  rc = WindowsError(g_library.serverGetInfo(ServerArgument(server), 101, &buffer));
  if (buffer != nullptr) {
    const SERVER_INFO_101* record = reinterpret_cast<const SERVER_INFO_101*>(buffer);
    info = {record->sv101_platform_id,   Text(record->sv101_name), record->sv101_version_major,
            record->sv101_version_minor, record->sv101_type,       Text(record->sv101_comment)};
    g_library.bufferFree(buffer);
  }
  return rc;
}

}  // namespace samba
}  // namespace zrplatform
