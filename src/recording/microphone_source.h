// Captures from the chosen input device, or from the default input when none is chosen, and
// survives the audio hardware changing under it: on a configuration change it decides whether
// the change concerns this recording, restarts capture on the same device when it does, and
// gives up (calling the stop callback once) when the device is gone or restarts keep failing in
// quick succession: at most three restarts in a row, each less than five seconds after the
// previous start.
//
// Lives on the main thread: every function, including configurationChanged(), runs there, except
// that start() may run on another thread while the main thread leaves the source alone; a
// configuration change that reaches the main thread meanwhile is handled by start() once the
// stream runs. Only the buffer callback runs on the engine's audio thread. Create it with
// std::make_shared: the engine's notification holds it weakly.
#pragma once

#include "platform/microphone_engine.h"
#include "recording/audio_input_source.h"
#include "recording/microphone_devices.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace bw {

class MicrophoneSource : public AudioInputSource,
                         public std::enable_shared_from_this<MicrophoneSource> {
public:
    struct RestartLimit {
        int maximum = 3;
        double settleTime = 5.0;
        std::optional<double> lastStart; // on the `now` clock: last start, restart or resume
        int restartsInARow = 0;
    };

    // `now`: a monotonic clock in seconds.
    MicrophoneSource(std::optional<std::uint32_t> deviceID,
                     std::unique_ptr<MicrophoneEngine> engine, MicrophoneDevices devices,
                     std::function<double()> now);
    ~MicrophoneSource() override;

    void start(BufferCallback onBuffer, std::function<void()> onStop) override;
    void pause() override;
    void resume() override;
    void stop() override;

    // The reaction to a configuration change; the engine's callback calls it.
    void configurationChanged();

    const RestartLimit& restartLimit() const { return m_restartLimit; }

private:
    enum class State { idle, recording, paused, stopped };

    void handleConfigurationChange();
    void finishStarting();
    void installTap();
    void tearDown();
    void restart(std::uint32_t device);
    std::optional<std::uint32_t> deviceInUse() const;
    void giveUp();

    std::optional<std::uint32_t> m_pickedDeviceID;
    std::unique_ptr<MicrophoneEngine> m_engine;
    MicrophoneDevices m_devices;
    std::function<double()> m_now;
    State m_state = State::idle;
    std::optional<std::uint32_t> m_device;
    bool m_isOnPickedDevice = false;
    std::optional<CaptureFormat> m_tapFormat;
    RestartLimit m_restartLimit;
    bool m_needsRestart = false;
    BufferCallback m_onBuffer;
    std::function<void()> m_onStop;
    enum StartGate { open, starting, changedWhileStarting };
    std::atomic<int> m_startGate{open};
};

} // namespace bw
