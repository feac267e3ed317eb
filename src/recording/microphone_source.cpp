#include "recording/microphone_source.h"

#include "platform/audio_input_error.h"

namespace bw {

MicrophoneSource::MicrophoneSource(std::optional<std::uint32_t> deviceID,
                                   std::unique_ptr<MicrophoneEngine> engine,
                                   MicrophoneDevices devices, std::function<double()> now)
    : m_pickedDeviceID(deviceID), m_engine(std::move(engine)), m_devices(std::move(devices)),
      m_now(std::move(now)) {}

MicrophoneSource::~MicrophoneSource() {
    if (m_state != State::stopped) {
        tearDown();
    }
}

void MicrophoneSource::start(BufferCallback onBuffer, std::function<void()> onStop) {
    if (m_state != State::idle) {
        return;
    }
    m_startGate = starting;
    m_onBuffer = std::move(onBuffer);
    m_onStop = std::move(onStop);
    m_device = m_pickedDeviceID ? m_pickedDeviceID : m_devices.defaultInput();
    std::weak_ptr<MicrophoneSource> weak = weak_from_this();
    m_engine->setOnConfigurationChange([weak] {
        if (auto self = weak.lock()) {
            self->configurationChanged();
        }
    });
    try {
        if (m_pickedDeviceID) {
            m_engine->select(*m_pickedDeviceID);
            m_isOnPickedDevice = true;
        }
        installTap();
        m_engine->start();
    } catch (...) {
        tearDown();
        finishStarting();
        throw;
    }
    m_restartLimit.lastStart = m_now();
    m_state = State::recording;
    finishStarting();
}

// Handles here, on start()'s thread, the changes configurationChanged() left while starting,
// until none is waiting; only then may the main thread handle them itself.
void MicrophoneSource::finishStarting() {
    for (;;) {
        int expected = changedWhileStarting;
        if (m_startGate.compare_exchange_strong(expected, starting)) {
            handleConfigurationChange();
            continue;
        }
        expected = starting;
        if (m_startGate.compare_exchange_strong(expected, open)) {
            return;
        }
    }
}

void MicrophoneSource::installTap() {
    if (!m_onBuffer) {
        return;
    }
    const CaptureFormat format = m_engine->inputFormat();
    if (format.sampleRate <= 0 || format.channelCount <= 0) {
        throw AudioInputError(AudioInputError::Kind::noInputAvailable);
    }
    m_engine->installTap(format, m_onBuffer);
    m_tapFormat = format;
}

void MicrophoneSource::tearDown() {
    m_state = State::stopped;
    m_engine->setOnConfigurationChange(nullptr);
    m_engine->removeTap();
    m_engine->stop();
    m_onBuffer = nullptr;
    m_onStop = nullptr;
}

void MicrophoneSource::stop() {
    tearDown();
}

void MicrophoneSource::pause() {
    if (m_state != State::recording) {
        return;
    }
    m_engine->pause();
    m_state = State::paused;
}

void MicrophoneSource::resume() {
    if (m_state != State::paused) {
        return;
    }
    if (m_needsRestart) {
        if (!m_device || !m_devices.canRecord(*m_device)) {
            throw AudioInputError(AudioInputError::Kind::deviceUnavailable);
        }
        restart(*m_device);
        m_needsRestart = false;
    } else {
        m_engine->start();
        m_restartLimit.lastStart = m_now();
    }
    m_state = State::recording;
}

std::optional<std::uint32_t> MicrophoneSource::deviceInUse() const {
    return m_isOnPickedDevice ? m_engine->currentDevice() : m_devices.defaultInput();
}

void MicrophoneSource::restart(std::uint32_t device) {
    m_engine->stop();
    auto inUse = deviceInUse();
    if (!inUse || *inUse != device) {
        m_engine->select(device);
        m_isOnPickedDevice = true;
    }
    installTap();
    m_engine->start();
    m_restartLimit.lastStart = m_now();
}

void MicrophoneSource::configurationChanged() {
    int expected = starting;
    if (m_startGate.compare_exchange_strong(expected, changedWhileStarting) ||
        expected == changedWhileStarting) {
        return; // start() handles it when the stream runs
    }
    handleConfigurationChange();
}

void MicrophoneSource::handleConfigurationChange() {
    if (m_state != State::recording && m_state != State::paused) {
        return;
    }
    if (!m_device || !m_devices.canRecord(*m_device)) {
        giveUp();
        return;
    }
    if (m_state == State::paused) {
        m_needsRestart = true;
        return;
    }
    if (m_engine->isRunning() && deviceInUse() == m_device &&
        m_engine->inputFormat() == m_tapFormat) {
        return; // nothing this recording uses has changed
    }
    const double t = m_now();
    const int count =
        m_restartLimit.lastStart && t - *m_restartLimit.lastStart < m_restartLimit.settleTime
            ? m_restartLimit.restartsInARow + 1
            : 1;
    if (count > m_restartLimit.maximum) {
        giveUp();
        return;
    }
    m_restartLimit.restartsInARow = count;
    try {
        restart(*m_device);
    } catch (const std::exception&) {
        giveUp();
    }
}

void MicrophoneSource::giveUp() {
    auto onStop = m_onStop;
    tearDown();
    if (onStop) {
        onStop();
    }
}

} // namespace bw
