// What the POSIX threads decide from the machine, open to tests.
#pragma once

namespace zrplatform::posix {

// The cores the calling thread may use: its affinity, no more than `online`,
// and no more than the process's CPU quota when `quota` (whole cores,
// rounded up) is above 0. A waiter spins only when this leaves a core for
// the thread it awaits.
long CoresToUse(long online, long quota);

}  // namespace zrplatform::posix
