// The 9x line's stand-in: narrow records of the scripted list in the
// caller's buffer. The list's types are given as they are: a test that
// scripts STYPE_SPECIAL on a 9x list sees the record's 16 bits of it.
#include "tests/support/fake_netapi/Script.h"

using namespace fakenetapi;

extern "C" {

NET_API_STATUS WINAPI FakeNetShareEnum9x(const char* server, short level, char* buffer, unsigned short size,
                                         unsigned short* read, unsigned short* total) {
  Count("NetShareEnum", server ? server : "");
  *read = *total = 0;
  if (level != 1) return ERROR_INVALID_PARAMETER;
  Script& s = TheScript();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (buffer) s.bufferSize = size;
  if (s.failure != 0) return s.failure;
  std::vector<zrplatform::NarrowShare> narrow;
  for (const Share& share : s.shares) {
    narrow.push_back({share.name, static_cast<unsigned short>(share.type), share.remark});
  }
  return zrplatform::FillShareInfo1(narrow, buffer, size, read, total);
}

}  // extern "C"
