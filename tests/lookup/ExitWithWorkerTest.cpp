// A process that exits while a lookup worker is still held in the name
// service exits cleanly, with its own exit code.
#include <cstdio>
#include <cstdlib>

#include "resolver/ZrAddrResolution.h"
#include "tests/support/FakeNameService.h"

int main() {
  static zrtest::FakeNameService* names = new zrtest::FakeNameService;  // never released
  names->Block("held.example");
  CZrAddrResolution resolver;
  CString address;
  unsigned long result = resolver.GetIPAddressFromHostName("held.example", address, 100);
  std::printf("lookup returned 0x%08lx; exiting with 7 while the worker is held\n", result);
  // ctest expects 7: anything else (a crash at exit included) fails.
  std::exit(result == 0xFFFFFFFFUL ? 7 : 1);
}
