// The capture engine over the PulseAudio sound server: one record stream on the selected source
// (or the server's default source at start) in the source's own sample format, rate and
// channels, delivering buffers of about 4096 frames on the server connection's thread (the audio
// thread). The stream stays on its source: when the source goes away the stream ends instead of
// moving elsewhere. Changes of sources and of the default source, a lost connection and a stream
// ended by the server are reported as configuration changes on the main thread, through the
// caller's `post`. No connection is made until one is needed, so creation never fails.
#pragma once

#include "platform/microphone_engine.h"

#include <functional>
#include <memory>

namespace bw {

class PulseMicrophoneEngine : public MicrophoneEngine {
public:
    // Runs a function on the main thread later; called from the audio thread.
    using MainThreadPost = std::function<void(std::function<void()>)>;

    explicit PulseMicrophoneEngine(MainThreadPost post);
    ~PulseMicrophoneEngine() override;

    void setOnConfigurationChange(std::function<void()> callback) override;
    std::optional<std::uint32_t> currentDevice() const override;
    void select(std::uint32_t device) override;
    CaptureFormat inputFormat() const override;
    void installTap(const CaptureFormat& format, BufferCallback onBuffer) override;
    void removeTap() override;
    void start() override;
    void pause() override;
    void stop() override;
    bool isRunning() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace bw
