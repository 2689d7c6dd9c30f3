// The text rules that take port and printer names apart, fed arbitrary bytes:
// none may read past its input, loop, or crash, in either code page.
#include <cstddef>
#include <cstdint>
#include <string>

#include "portmon/PortNameParsing.h"
#include "resolver/ZrAddrResolution.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* name = text.c_str();  // stops at an embedded NUL, as a C caller's string would

  CZrAddrResolution::IsValidPortName(name);
  CZrAddrResolution::IsValidStringIPAddressIPv4(name);

  CString friendly;
  CZrAddrResolution::MakePrinterFriendlyName(name, friendly);

  CString part;
  zrportmon::GetIppHost(name, part);
  zrportmon::GetTextBeforeLastColon(name, part);
  zrportmon::GetTextAfterIPPrefix(name, part);
  zrportmon::PortKeyPath("SYSTEM\\Ports", name);
  return 0;
}
