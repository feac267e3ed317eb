// One block of captured audio as the capture device delivered it: interleaved frames in
// `format`, and when the device can tell, the monotonic time (seconds, see monotonic_clock.h)
// its first frame was captured. A view: the bytes belong to the caller and are valid only
// during the call that hands the buffer over.
#pragma once

#include "platform/capture_format.h"

#include <cstddef>
#include <optional>

namespace bw {

struct CaptureBuffer {
    CaptureFormat format;
    const void* data = nullptr;
    std::size_t frameCount = 0;
    std::optional<double> captureTime;
};

} // namespace bw
