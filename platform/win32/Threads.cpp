#include "platform/Threads.h"

namespace zrplatform {

// An aligned 32-bit read is atomic on Windows; volatile keeps it from being cached.
int AtomicRead(const int* value) { return *static_cast<const volatile int*>(value); }

}  // namespace zrplatform
