// The address of the device behind a printer port, and a host name's address.
#include <ZrAddrResolution.h>

#include <cstdio>

int main(int argc, char** argv) {
  const char* port = argc > 1 ? argv[1] : "192.168.10.21:lp";
  const char* host = argc > 2 ? argv[2] : "localhost";
  const char* const kinds[] = {"IP", "IPX", "NetWare", "", "none"};  // ZRMONITOR::ConnectionType

  CZrAddrResolution resolver;  // used by one thread at a time
  CString address;
  ZRMONITOR::ConnectionType kind;
  if (resolver.GetAddressFromPort(port, address, &kind) == 1) {
    std::printf("%s: %s (%s)\n", port, static_cast<const char*>(address), kinds[kind]);
  } else {
    std::printf("%s: not found\n", port);
  }

  unsigned long result = resolver.GetIPAddressFromHostName(host, address, 3000);  // milliseconds
  if (result == 0) {
    std::printf("%s: %s\n", host, static_cast<const char*>(address));
  } else {
    std::printf("%s: %s\n", host, result == 0xFFFFFFFF ? "timed out" : "not found");
  }
  return 0;
}
