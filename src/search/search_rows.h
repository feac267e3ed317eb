// How the search index numbers its rows, for its own code: a row's identifier says where it
// belongs, so that the order of identifiers is the order of results and a recording's rows are
// one range of them.
#pragma once

#include "library/library_item.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace bw::search_rows {

// A row's identifier says where it belongs: the recording's slot in the high bits, and in the
// low ones the title (highest) or the segment (the first segment next highest), so that
// descending identifiers give each recording's title, then its segments in time order.
inline constexpr int offsetBits = 20;
inline constexpr std::int64_t offsetMask = (std::int64_t(1) << offsetBits) - 1;
inline constexpr std::int64_t titleOffset = offsetMask;
inline constexpr std::int64_t maximumPosition = offsetMask - 1;

// A recording's slot is its creation second (so newer recordings have higher slots) times 64 plus
// a tie breaker taken from its identifier, so that recordings of the same second keep the
// library's order as far as 64 can tell them apart.
inline constexpr std::int64_t tieCount = 64;
inline constexpr std::int64_t maximumSecond = (std::int64_t(1) << 33) - 1;

inline std::int64_t rowidOf(std::int64_t slot, std::int64_t offset) {
    return slot << offsetBits | offset;
}

inline std::int64_t slotOf(std::int64_t rowid) {
    return rowid >> offsetBits;
}

inline std::optional<std::int64_t> positionOf(std::int64_t rowid) {
    const std::int64_t offset = rowid & offsetMask;
    if (offset == titleOffset) {
        return std::nullopt;
    }
    return maximumPosition - offset;
}

inline std::int64_t secondsOf(const LibraryItem& item) {
    return std::clamp<std::int64_t>(item.createdAt.time_since_epoch().count(), 0, maximumSecond);
}

} // namespace bw::search_rows
