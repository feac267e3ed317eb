// Anything that delivers the buffers of a recording: start with a buffer callback (audio thread)
// and a stop callback (called once if the source stops by itself), pause, resume and stop.
// Shared between the recorder and the audio thread, so held by std::shared_ptr.
#pragma once

#include "platform/capture_buffer.h"

#include <functional>

namespace bw {

class AudioInputSource {
public:
    using BufferCallback = std::function<void(const CaptureBuffer&)>;

    virtual ~AudioInputSource() = default;

    // Throws AudioInputError or the sound server's error; the source is then stopped.
    virtual void start(BufferCallback onBuffer, std::function<void()> onStop) = 0;
    virtual void pause() = 0;
    // Throws AudioInputError (deviceUnavailable) when the device went away meanwhile.
    virtual void resume() = 0;
    virtual void stop() = 0;
};

} // namespace bw
