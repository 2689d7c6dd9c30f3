#include "pns/PnsReply.h"

#include <cstring>
#include <vector>

namespace zrpns {

namespace {

const char kReplyMarker[] = "PNS452";

// Fields separated by blanks only; a run of blanks is one separator, and
// tabs or line breaks belong to the field.
std::vector<std::string> SplitFields(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t at = 0;
  while (at < text.size()) {
    at = text.find_first_not_of(' ', at);
    if (at == std::string::npos) break;
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    fields.push_back(text.substr(at, end - at));
    at = end;
  }
  return fields;
}

}  // namespace

void ReadPnsDatagram(const char* data, std::size_t size, PnsExchangeState& state) {
  const unsigned long before = state.datagrams;
  ++state.datagrams;
  if (data == nullptr) return;
  std::size_t bounded = size < kReceiveBufferSize - 1 ? size : kReceiveBufferSize - 1;
  const void* nul = std::memchr(data, '\0', bounded);
  const std::string text(data, nul ? static_cast<const char*>(nul) - data : bounded);
  if (text.compare(0, sizeof kReplyMarker - 1, kReplyMarker) != 0) return;

  state.goOn = false;
  std::vector<std::string> fields = SplitFields(text);
  if (fields.size() < 4) return;
  PnsReply current{fields[1], fields[2], fields[3]};
  if (current.server.size() > kServerFieldMax || current.device.size() > kDeviceFieldMax ||
      current.key.size() > kKeyFieldMax) {
    return;
  }
  // The first datagram of the exchange decides unless a later reply names
  // another device with a greater key; "greater" is a byte comparison.
  const bool deviceDiffers = before >= 1 && current.device != state.chosen.device;
  if (deviceDiffers && std::strcmp(state.chosen.key.c_str(), current.key.c_str()) < 0) state.chosen = current;
  if (before == 0) state.chosen = current;
}

}  // namespace zrpns
