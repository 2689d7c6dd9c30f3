// The reading and choosing of PNS replies, as one table of reply sequences:
// each row is what one exchange received, in order, and what it chose.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pns/PnsReply.h"

namespace {

using zrpns::PnsExchangeState;

struct Case {
  const char* what;
  std::vector<std::string> datagrams;
  // The chosen reply; all empty when none was chosen.
  const char* server;
  const char* device;
  const char* key;
  bool goOn;  // no PNS reply seen: another attempt may follow
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

const std::string kLongServer = Repeat('s', 64);
const std::string kLongestServer = Repeat('s', 63);
const std::string kLongKey = Repeat('9', 32);
const std::string kLongestKey = Repeat('9', 31);

std::vector<Case> Cases() {
  return {
      {"nothing received", {}, "", "", "", true},
      {"one complete reply", {"PNS452 srv1 10.0.0.5 0001"}, "srv1", "10.0.0.5", "0001", false},
      {"fields after the fourth are ignored", {"PNS452 srv1 10.0.0.5 0001 extra more"}, "srv1", "10.0.0.5", "0001",
       false},
      {"runs of blanks are one separator", {"PNS452   srv1  10.0.0.5    0001   "}, "srv1", "10.0.0.5", "0001", false},
      {"what follows the marker in the first field is not examined", {"PNS452xyz srv1 10.0.0.5 7"}, "srv1",
       "10.0.0.5", "7", false},
      {"the marker is case-sensitive", {"pns452 srv1 10.0.0.5 1"}, "", "", "", true},
      {"a datagram that is no PNS reply only counts", {"HELLO srv1 10.0.0.5 1"}, "", "", "", true},
      {"a greater key on another device wins",
       {"PNS452 srvA 10.0.0.1 0003", "PNS452 srvB 10.0.0.2 0005"}, "srvB", "10.0.0.2", "0005", false},
      {"a smaller key on another device loses",
       {"PNS452 srvA 10.0.0.1 0005", "PNS452 srvB 10.0.0.2 0003"}, "srvA", "10.0.0.1", "0005", false},
      {"equal keys keep the earlier reply",
       {"PNS452 srvA 10.0.0.1 0005", "PNS452 srvB 10.0.0.2 0005"}, "srvA", "10.0.0.1", "0005", false},
      {"the same device never replaces the chosen reply, whatever its key",
       {"PNS452 srvA 10.0.0.1 0001", "PNS452 srvB 10.0.0.1 0009"}, "srvA", "10.0.0.1", "0001", false},
      {"X5 Y3 X9: the first stays chosen",
       {"PNS452 srvX 10.0.0.1 5", "PNS452 srvY 10.0.0.2 3", "PNS452 srvX2 10.0.0.1 9"}, "srvX", "10.0.0.1", "5",
       false},
      {"keys compare as bytes, not numbers",
       {"PNS452 srvA 10.0.0.1 9", "PNS452 srvB 10.0.0.2 10"}, "srvA", "10.0.0.1", "9", false},
      {"two fields only: nothing chosen, but no second attempt", {"PNS452 srv1"}, "", "", "", false},
      {"three fields only", {"PNS452 srv1 10.0.0.5"}, "", "", "", false},
      {"a marker alone", {"PNS452"}, "", "", "", false},
      {"a non-PNS datagram first: the complete reply after it is chosen",
       {"garbage", "PNS452 srv1 10.0.0.5 0001"}, "srv1", "10.0.0.5", "0001", false},
      {"an incomplete reply first: the complete reply after it is chosen",
       {"PNS452 srv0", "PNS452 srv1 10.0.0.5 0001"}, "srv1", "10.0.0.5", "0001", false},
      {"a tab does not separate", {"PNS452 srv1\t10.0.0.5 10.0.0.6 1"}, "srv1\t10.0.0.5", "10.0.0.6", "1", false},
      {"line breaks belong to the field", {"PNS452 srv1 10.0.0.5\r\n 1\n"}, "srv1", "10.0.0.5\r\n", "1\n", false},
      {"the text ends at its first NUL", {std::string("PNS452 srv1 10.0.0.5 1\0 more", 29)}, "srv1", "10.0.0.5",
       "1", false},
      {"a NUL before the fourth field leaves the reply incomplete",
       {std::string("PNS452 srv1 10.0.0.5\0 1", 23)}, "", "", "", false},
      {"fields at their longest are kept", {"PNS452 " + kLongestServer + " 10.0.0.5 " + kLongestKey},
       kLongestServer.c_str(), "10.0.0.5", kLongestKey.c_str(), false},
      {"an over-long server drops the reply", {"PNS452 " + kLongServer + " 10.0.0.5 1"}, "", "", "", false},
      {"an over-long device drops the reply", {"PNS452 srv1 " + Repeat('1', 64) + " 1"}, "", "", "", false},
      {"an over-long key drops the reply", {"PNS452 srv1 10.0.0.5 " + kLongKey}, "", "", "", false},
      {"a dropped reply does not stop a later one",
       {"PNS452 srv1 10.0.0.5 " + kLongKey, "PNS452 srv2 10.0.0.6 2"}, "srv2", "10.0.0.6", "2", false},
      // A 320-byte datagram without a NUL: only 319 bytes are read, so a
      // key that would end with the 320th byte is read one byte short, and
      // then fits.
      {"a full buffer without a NUL is read to 319 bytes",
       {"PNS452 srv1 10.0.0.5" + Repeat(' ', 320 - 20 - 32) + kLongKey}, "srv1", "10.0.0.5", kLongestKey.c_str(),
       false},
  };
}

TEST(PnsReply, ReplySequencesAndWhatTheyChoose) {
  for (const Case& c : Cases()) {
    SCOPED_TRACE(c.what);
    PnsExchangeState state;
    for (const std::string& datagram : c.datagrams) zrpns::ReadPnsDatagram(datagram.data(), datagram.size(), state);
    EXPECT_EQ(state.datagrams, c.datagrams.size());
    EXPECT_EQ(state.chosen.server, c.server);
    EXPECT_EQ(state.chosen.device, c.device);
    EXPECT_EQ(state.chosen.key, c.key);
    EXPECT_EQ(state.goOn, c.goOn);
  }
}

TEST(PnsReply, TheLastByteOfAFullBufferIsNeverRead) {
  // The 320th byte would be the text's 320th character: it must not count,
  // even where it would complete a reply.
  std::string datagram = "PNS452 srv1 10.0.0.5" + Repeat(' ', 299) + "1";
  ASSERT_EQ(datagram.size(), 320u);
  PnsExchangeState state;
  zrpns::ReadPnsDatagram(datagram.data(), datagram.size(), state);
  EXPECT_EQ(state.chosen.key, "");
  EXPECT_FALSE(state.goOn);
}

}  // namespace
