// Text the tool prints: the library's ANSI text turned into UTF-8.
#pragma once

#include <string>

namespace zrtool {

std::string ToUtf8(const std::string& ansi);

}  // namespace zrtool
