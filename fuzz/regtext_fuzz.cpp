// libFuzzer target for the .reg text reader. Any bytes either parse or fail
// with a line inside the text; the values of a text that parses survive the
// writer and read back with the same names, types and bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/RegText.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "regtext_fuzz: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using zrplatform::RegOperation;
  zrplatform::RegParseResult parsed = zrplatform::ParseRegText(data, size);
  if (!parsed.ok()) {
    std::size_t lines = 1;
    for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n' ? 1 : 0;
    // A UTF-16 text has its line ends in two bytes each, so at most as many.
    if (parsed.errorLine < 1 || static_cast<std::size_t>(parsed.errorLine) > lines) Fail("error line out of range");
    if (parsed.errorWhat.empty()) Fail("error without a message");
    return 0;
  }

  zrplatform::RegTextKey key;
  for (const RegOperation& op : parsed.operations) {
    if (op.kind == RegOperation::Kind::SetValue) key.values.push_back({op.valueName, op.type, op.data});
  }
  const std::string text = zrplatform::WriteRegText("HKEY_LOCAL_MACHINE", key);
  zrplatform::RegParseResult again = zrplatform::ParseRegText(text);
  if (!again.ok()) Fail("written text does not parse");
  std::size_t next = 0;
  for (const RegOperation& op : again.operations) {
    if (op.kind != RegOperation::Kind::SetValue) continue;
    if (next >= key.values.size()) Fail("more values than written");
    const zrplatform::RegTextValue& value = key.values[next++];
    if (op.valueName != value.name || op.type != value.type || op.data != value.data) Fail("value changed");
  }
  if (next != key.values.size()) Fail("values lost");
  return 0;
}
