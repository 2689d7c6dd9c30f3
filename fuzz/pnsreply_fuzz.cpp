// PNS reply reading over a sequence of hostile datagrams. The input is cut
// into datagrams, each preceded by two bytes of its length (up to 400, so
// datagrams longer than the receive buffer occur). Besides memory faults it
// checks what the reader promises: the chosen fields within their limits,
// every datagram counted.
#include <cstdint>
#include <cstdlib>

#include "pns/PnsReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zrpns::PnsExchangeState state;
  unsigned long datagrams = 0;
  while (size >= 2) {
    std::size_t length = (data[0] | (data[1] << 8)) % 401;
    data += 2;
    size -= 2;
    if (length > size) length = size;
    zrpns::ReadPnsDatagram(reinterpret_cast<const char*>(data), length, state);
    ++datagrams;
    data += length;
    size -= length;
  }
  if (state.datagrams != datagrams) std::abort();
  if (state.chosen.server.size() > zrpns::kServerFieldMax || state.chosen.device.size() > zrpns::kDeviceFieldMax ||
      state.chosen.key.size() > zrpns::kKeyFieldMax) {
    std::abort();
  }
  return 0;
}
