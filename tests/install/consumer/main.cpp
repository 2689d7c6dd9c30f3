// An application outside the tree: the installed headers on their own, and a call.
#include <ZrAddrResolution.h>

#include <cstdio>

int CountRunningWorkers();

int main() {
  CZrAddrResolution resolver;
  CString address;
  ZRMONITOR::ConnectionType kind = ZRMONITOR::CT_IP;
  int found = resolver.GetAddressFromPort("LPT1:", address, &kind);
  std::printf("consumer: LPT1: %s kind %d, workers %d\n", found ? "resolved" : "refused", static_cast<int>(kind),
              CountRunningWorkers());
  return found == 0 && kind == ZRMONITOR::CT_NONE ? 0 : 1;
}
