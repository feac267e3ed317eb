// Turns sample and frame positions computed in floating point into integer indexes. A position
// that is not a finite number within the signed 64-bit range is a programming error and stops
// the process.
#pragma once

#include "base/precondition.h"

#include <cmath>
#include <cstdint>

namespace bw {

namespace detail {
inline bool fitsInt64(double value) {
    // 2^63 is exactly representable; every double below it converts without overflow.
    return std::isfinite(value) && value >= -9223372036854775808.0 && value < 9223372036854775808.0;
}
} // namespace detail

// Rounds half away from zero.
inline std::int64_t roundedIndex(double position) {
    double rounded = std::round(position);
    BW_PRECONDITION(detail::fitsInt64(rounded), "sample position out of range");
    return static_cast<std::int64_t>(rounded);
}

// Truncates toward zero.
inline std::int64_t truncatedIndex(double position) {
    double truncated = std::trunc(position);
    BW_PRECONDITION(detail::fitsInt64(truncated), "sample position out of range");
    return static_cast<std::int64_t>(truncated);
}

} // namespace bw
