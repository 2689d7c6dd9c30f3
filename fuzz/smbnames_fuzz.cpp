// The SMB port's outside texts fed arbitrary bytes: the port name's naming
// checks and the IPC share's remark, in either code page. Neither may read
// past its input or crash; a port that passes is \\server\queue, and an
// address taken from a remark is an address text that fits its field.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "resolver/ZrAddrResolution.h"
#include "smb/SmbNaming.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "smbnames_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

// The input is the port name, a NUL, then the remark (the remark alone is
// read up to the field's 256 bytes, as the share list gives it).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string port = input.substr(0, split);
  std::string remark = split == std::string::npos ? std::string() : input.substr(split + 1);
  if (remark.size() > 256) remark.resize(256);

  if (zrsmb::NamesTheDevicesQueue(port.c_str())) {
    if (port.size() < 5 || port[0] != '\\' || port[1] != '\\' || port.find('\\', 2) == std::string::npos) {
      Fail("a name that is no \\\\server\\queue passed");
    }
  }

  CString address = "untouched";
  if (zrsmb::ReadAnnouncedAddress(remark.c_str(), address)) {
    if (address.GetLength() >= 260) Fail("an address longer than its field");
    if (!CZrAddrResolution::IsValidStringIPAddress(address)) Fail("an address that is no address text");
  } else if (std::strcmp(address, "untouched") != 0) {
    Fail("a remark that is no announcement wrote the address");
  }
  return 0;
}
