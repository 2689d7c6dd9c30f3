// Reading the replies of one PNS exchange and choosing among them: a pure
// function of the datagrams received, so every rule can be shown on a table
// of reply sequences and fuzzed without a network.
#pragma once

#include <cstddef>
#include <string>

namespace zrpns {

// The longest fields a reply may carry; a reply with a longer one is dropped
// as incomplete.
const std::size_t kServerFieldMax = 63;
const std::size_t kDeviceFieldMax = 63;
const std::size_t kKeyFieldMax = 31;
// The receive buffer; at most one byte less is read, so its text always ends.
const std::size_t kReceiveBufferSize = 320;

struct PnsReply {
  std::string server;  // field 2: the PNS server's name or address
  std::string device;  // field 3: the device's address
  std::string key;     // field 4: the ranking key, compared as bytes
};

// What one exchange has gathered so far.
struct PnsExchangeState {
  PnsReply chosen;           // empty until a complete reply is chosen
  unsigned long datagrams = 0;  // received in this exchange, PNS replies or not
  bool goOn = true;          // no PNS reply seen yet: another attempt may follow
};

// Reads one received datagram (its bytes as received; the text is what
// precedes the first NUL, within the first kReceiveBufferSize - 1 bytes) and
// counts it. A datagram that does not begin with "PNS452" only counts. A PNS
// reply clears goOn; a complete one (four fields within their limits) is
// chosen when it is the exchange's first datagram, or when its device
// differs from the chosen reply's and its key is greater.
void ReadPnsDatagram(const char* data, std::size_t size, PnsExchangeState& state);

}  // namespace zrpns
