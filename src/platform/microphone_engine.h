// The capture engine a microphone source drives: one input whose device can be chosen, a tap
// that receives every captured buffer on the engine's audio thread, start, pause and stop, and a
// notification when the audio configuration changes (a device added, removed or changed, or a
// new default input). An interface so that the source's restart rules can be tested with a fake.
//
// Every function is called on the main thread. The configuration-change callback is invoked on
// the main thread too; the tap callback on the audio thread, where it must not block.
#pragma once

#include "platform/capture_buffer.h"
#include "platform/capture_format.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace bw {

class MicrophoneEngine {
public:
    using BufferCallback = std::function<void(const CaptureBuffer&)>;

    virtual ~MicrophoneEngine() = default;

    // Replaces the callback (an empty one clears it).
    virtual void setOnConfigurationChange(std::function<void()> callback) = 0;
    // The device the input uses; none when it uses no particular device.
    virtual std::optional<std::uint32_t> currentDevice() const = 0;
    // Moves the input to the device. Throws AudioInputError (deviceUnavailable) when the device
    // cannot be selected.
    virtual void select(std::uint32_t device) = 0;
    // The input's own format; not usable (no rate, no channels) when there is no input.
    virtual CaptureFormat inputFormat() const = 0;
    // Replaces any installed tap. Buffers arrive in `format`.
    virtual void installTap(const CaptureFormat& format, BufferCallback onBuffer) = 0;
    virtual void removeTap() = 0;
    // Throws a std::exception with the sound server's description when capture cannot begin.
    virtual void start() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
};

} // namespace bw
