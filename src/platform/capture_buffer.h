// One block of captured audio as the capture device delivered it: interleaved frames in
// `format`. A view: the bytes belong to the caller and are valid only during the call that
// hands the buffer over.
#pragma once

#include "platform/capture_format.h"

#include <cstddef>

namespace bw {

struct CaptureBuffer {
    CaptureFormat format;
    const void* data = nullptr;
    std::size_t frameCount = 0;
};

} // namespace bw
