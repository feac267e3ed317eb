#include "cli/clock_text.h"

#include <cmath>
#include <cstdio>

namespace bw::cli {

std::string clockText(double seconds) {
    long whole = std::isfinite(seconds) && seconds > 0 ? long(seconds) : 0;
    char text[32];
    if (whole < 3600) {
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    }
    return text;
}

} // namespace bw::cli
