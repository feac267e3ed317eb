// Writing to an open file descriptor without losing part of the data to short writes or
// interrupted calls.
#pragma once

#include <cstddef>

namespace bw {

// Writes all `size` bytes at the descriptor's position; false with errno set when the system
// refuses (the bytes before that are written).
bool writeAll(int descriptor, const void* data, std::size_t size);

} // namespace bw
