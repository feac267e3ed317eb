// Thrown when work stops because its caller cancelled it. Never shown to the user.
#pragma once

#include <stdexcept>
#include <stop_token>

namespace bw {

class CancellationError : public std::runtime_error {
public:
    CancellationError() : std::runtime_error("cancelled") {}
};

// A check point: throws CancellationError once the token has been triggered.
inline void throwIfCancelled(const std::stop_token& stop) {
    if (stop.stop_requested()) {
        throw CancellationError();
    }
}

} // namespace bw
