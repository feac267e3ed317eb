#include "app/formatting.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace bw::Formatting {

std::string duration(double seconds) {
    // Beyond this, a count of seconds no longer fits the clock's integer fields.
    constexpr double largest = 9.0e15;
    const auto whole = std::isfinite(seconds) && seconds > 0
                           ? static_cast<std::int64_t>(std::min(seconds, largest))
                           : std::int64_t{0};
    char text[64];
    if (whole < 3600) {
        std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(whole / 60),
                      static_cast<int>(whole % 60));
    } else {
        std::snprintf(text, sizeof text, "%lld:%02d:%02d", static_cast<long long>(whole / 3600),
                      static_cast<int>(whole / 60 % 60), static_cast<int>(whole % 60));
    }
    return text;
}

} // namespace bw::Formatting
