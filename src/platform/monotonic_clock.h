// The clock every capture stream is stamped with and a recording's tracks are aligned on: the
// system's monotonic clock (the time since boot, never set back), in seconds.
#pragma once

#include <chrono>

namespace bw {

inline double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace bw
