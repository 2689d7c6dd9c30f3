// zraddrres shares: a server's share list as the SMB step of the running
// Windows line sees it, and the address the step takes from it.
#pragma once

#include <string>

namespace zrtool {

// server: a name or address, with or without its leading backslashes.
// Exit 0 when the step took an address, 1 when not, or when the list could not be read.
int Shares(const std::string& server, bool json);

}  // namespace zrtool
