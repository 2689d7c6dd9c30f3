// Whether a standard stream is a terminal (a person watching) or a file or pipe.
#pragma once

namespace zrplatform {

bool StandardErrorIsTerminal();

}  // namespace zrplatform
