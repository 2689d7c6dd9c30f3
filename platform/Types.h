// The Win32 base types and constants every layer above uses.
// On Windows this is the real API through one wrapper header; on POSIX the
// same names come from our own declarations with the same sizes and values.
#pragma once

#if defined(_WIN32)
#include "platform/win32/WindowsApi.h"
#else
#include "platform/posix/Win32Types.h"
#endif
