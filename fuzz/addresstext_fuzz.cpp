// The address-text tests fed arbitrary bytes: the IPv4 scan and the IPv6
// test (the platform's numeric-only parser; nothing is ever looked up) must
// neither crash nor read past the text, and must agree with each other: no
// text is both, and a text they call an address has no space or backslash.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "resolver/ZrAddrResolution.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "addresstext_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The IPv6 test asks the socket library the first resolver object loads.
  static CZrAddrResolution loader;
  // Without the socket library every text would be "no IPv6" and prove nothing.
  static const bool ready = CZrAddrResolution::IsValidStringIPAddressIPv6("::1") != 0;
  if (!ready) Fail("the IPv6 test has no socket library");
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* name = text.c_str();
  const int v4 = CZrAddrResolution::IsValidStringIPAddressIPv4(name);
  const int v6 = CZrAddrResolution::IsValidStringIPAddressIPv6(name);
  const int any = CZrAddrResolution::IsValidStringIPAddress(name);
  if (v4 && v6) Fail("a text is both an IPv4 and an IPv6 address");
  if (any != (v4 || v6)) Fail("IsValidStringIPAddress disagrees with its two tests");
  if ((v4 || v6) && std::string(name).find_first_of(" \\") != std::string::npos) Fail("an address with a space or backslash");
  return 0;
}
