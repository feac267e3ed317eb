#include "base/duration_format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace bw::Formatting {

std::string duration(double seconds) {
    // Past about 292 billion years a 64-bit count would overflow; no recording gets there.
    constexpr double largest = 9.0e15;
    std::int64_t whole = 0;
    if (std::isfinite(seconds) && seconds > 0) {
        whole = std::int64_t(std::trunc(std::min(seconds, largest)));
    }
    char text[48];
    if (whole < 3600) {
        std::snprintf(text, sizeof text, "%d:%02d", int(whole / 60), int(whole % 60));
    } else {
        std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(whole / 3600),
                      int(whole / 60 % 60), int(whole % 60));
    }
    return text;
}

} // namespace bw::Formatting
