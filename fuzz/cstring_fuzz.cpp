// CString's operations driven by arbitrary bytes: the first bytes choose the
// operations and their counts (negative and past-the-end ones included, which
// callers pass), the rest is the text. None may read or write outside the
// text, in either code page (ZRADDRRES_ACP=932 for the double-byte one), and
// the parts taken out of a text must be parts of it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/CString.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "cstring_fuzz: %s\n", what);
  std::abort();
}

// A part of the text, as a byte string, must occur in it.
void ExpectPartOf(const CString& part, const CString& whole) {
  if (part.GetLength() > whole.GetLength()) Fail("a part is longer than its text");
  const std::string p(part, part.GetLength());
  const std::string w(whole, whole.GetLength());
  if (w.find(p) == std::string::npos) Fail("a part is not in its text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const int a = static_cast<std::int8_t>(data[0]);
  const int b = static_cast<std::int8_t>(data[1]);
  const char c = static_cast<char>(data[2]);
  const std::uint8_t steps = data[3];
  const std::string bytes(reinterpret_cast<const char*>(data + 4), size - 4);
  CString text(bytes.c_str());  // stops at a NUL, as a C caller's string would
  const CString whole = text;

  ExpectPartOf(text.Left(a), whole);
  ExpectPartOf(text.Right(b), whole);
  ExpectPartOf(text.Mid(a), whole);
  ExpectPartOf(text.Mid(a, b), whole);
  int found = text.Find(c);
  if (found >= whole.GetLength()) Fail("Find beyond the end");
  found = text.Find(c, a);
  if (found >= whole.GetLength()) Fail("Find from a start beyond the end");
  if (text.ReverseFind(c) >= whole.GetLength()) Fail("ReverseFind beyond the end");
  const std::string sub = bytes.substr(0, static_cast<std::size_t>(b & 7));
  text.Find(sub.c_str());
  text.Find(sub.c_str(), a);
  text.FindOneOf(sub.c_str());
  text.Compare(sub.c_str());
  text.CompareNoCase(sub.c_str());

  CString changed = whole;
  if (steps & 0x01) changed.MakeUpper();
  if (steps & 0x02) changed.MakeLower();
  if (steps & 0x04) changed.MakeReverse();
  if (steps & 0x08) changed.TrimLeft(sub.c_str());
  if (steps & 0x10) changed.TrimRight(c);
  if (steps & 0x20) changed.Replace(c, 'x');
  if (steps & 0x40 && !sub.empty()) changed.Replace(sub.c_str(), "\\\\");
  if (steps & 0x80) changed.Remove(c);
  if (static_cast<std::size_t>(changed.GetLength()) != std::strlen(changed)) Fail("the length lost its text");
  changed += whole;
  changed += c;
  return 0;
}
