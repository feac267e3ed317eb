// Captures what this computer plays: a record stream on the monitor of the sound server's
// default output (sink), in the monitor's own format, delivering buffers stamped with their
// capture time on the server connection's thread (the audio thread). It follows the default
// output: when another sink becomes the default (headphones plugged in, a headset connecting)
// or the one recorded goes away, the stream moves to the new default's monitor. While there is
// no output at all it records nothing and waits for one; the caller hears of that once.
//
// Every function is called on the main thread; the server's events reach it through the
// caller's `post`, the "no output" callback runs there too.
#pragma once

#include "platform/capture_buffer.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace bw {

class PulseSystemAudioCapture {
public:
    using BufferCallback = std::function<void(const CaptureBuffer&)>;
    // Runs a function on the main thread later; called from the audio thread.
    using MainThreadPost = std::function<void(std::function<void()>)>;

    explicit PulseSystemAudioCapture(MainThreadPost post);
    ~PulseSystemAudioCapture();
    PulseSystemAudioCapture(const PulseSystemAudioCapture&) = delete;
    PulseSystemAudioCapture& operator=(const PulseSystemAudioCapture&) = delete;

    // Starts following the default output. `onNoOutput` is called (at most once until the next
    // start) when there is no output to record from, at the start or later. Throws PulseError
    // when the server cannot be reached.
    void start(BufferCallback onBuffer, std::function<void()> onNoOutput);
    void pause();
    void resume();
    void stop();

    // The name of the monitor source recorded from now; none while nothing is.
    std::optional<std::string> currentMonitor() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace bw
