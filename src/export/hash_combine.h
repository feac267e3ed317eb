// Folds the hashes of a record's fields into one value, for the std::hash specialisations of the
// export records.
#pragma once

#include <cstddef>
#include <functional>

namespace bw {

template <typename... Fields> std::size_t hashFields(const Fields&... fields) {
    std::size_t seed = 0;
    ((seed ^= std::hash<Fields>{}(fields) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2)),
     ...);
    return seed;
}

} // namespace bw
