// How many processor cores this process may run on, counting each physical core once (the
// hardware threads of one core share its arithmetic units).
#pragma once

namespace bw {

// The physical cores among the processors this process is allowed to use (its affinity mask);
// the count of those processors when the topology cannot be read; at least 1.
int physicalCoreCount();

} // namespace bw
