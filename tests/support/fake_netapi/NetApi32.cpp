// The NT line's stand-in: wide records of the scripted list.
#include "tests/support/fake_netapi/Script.h"

using namespace fakenetapi;

extern "C" {

NET_API_STATUS WINAPI FakeNetShareEnum(LPWSTR server, DWORD level, LPBYTE* buffer, DWORD, LPDWORD read,
                                       LPDWORD total, LPDWORD resume) {
  Count("NetShareEnum", Ansi(server));
  *buffer = nullptr;
  *read = *total = 0;
  if (level != 1 || resume == nullptr || *resume != 0) return ERROR_INVALID_PARAMETER;
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (s.failure != 0) return s.failure;
  std::vector<zrplatform::WideShare> wide;
  for (const Share& share : s.shares) wide.push_back({Wide(share.name), share.type, Wide(share.remark)});
  *buffer = zrplatform::MakeShareInfo1Block(wide);
  ++s.outstanding;
  *read = *total = static_cast<DWORD>(wide.size());
  return NERR_Success;
}

NET_API_STATUS WINAPI FakeNetServerGetInfo(LPWSTR server, DWORD level, LPBYTE* buffer) {
  Count("NetServerGetInfo", Ansi(server));
  SERVER_INFO_101 record = {500, nullptr, 4, 0, 0, nullptr};
  *buffer = zrplatform::MakeServerInfo101Block(record, Wide("DEVICE"), Wide(""));
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  ++s.outstanding;
  return level == 101 ? NERR_Success : ERROR_INVALID_PARAMETER;
}

NET_API_STATUS WINAPI FakeNetApiBufferFree(LPVOID buffer) {
  Script& s = TheScript();
  {
    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.calls["NetApiBufferFree"];
    if (buffer) --s.outstanding;
  }
  zrplatform::FreeNetApiBuffer(buffer);
  return NERR_Success;
}

}  // extern "C"
