// NetWare port names and the texts taken from the client, fed arbitrary
// bytes: the port-name parser, tree-name padding removal and full names may
// not read past their input, loop or crash, in either code page, and what
// parses always has a queue and, for a directory name, a context.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netware/NWPortName.h"
#include "netware/NWTexts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* name = text.c_str();  // stops at an embedded NUL, as a C caller's string would

  CNWPortName port;
  if (port.Parse(name)) {
    if (port.m_strQueue.IsEmpty()) std::abort();
    if (!port.m_bBindery && port.m_strContext.IsEmpty()) std::abort();
    if (port.m_bBindery && !port.m_strContext.IsEmpty()) std::abort();
  }

  CString tree(name);
  const int length = tree.GetLength();
  zrnetware::RemoveTreeNamePadding(tree);
  if (tree.GetLength() > length || (length > 0 && tree.IsEmpty())) std::abort();

  // A relative name and a context, split at the first line break.
  const std::size_t cut = text.find('\n');
  const std::string relative = text.substr(0, cut);
  const std::string context = cut == std::string::npos ? std::string() : text.substr(cut + 1);
  zrnetware::MakeFullName(relative.c_str(), context.c_str());
  return 0;
}
