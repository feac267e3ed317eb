#include "platform/pulse_microphone_engine.h"

#include "platform/audio_input_error.h"
#include "platform/pulse_connection.h"

#include <pulse/pulseaudio.h>

#include <stdexcept>

namespace bw {

namespace {

using SampleType = CaptureFormat::SampleType;

// Frames per delivered buffer, as the server is asked for them.
constexpr std::size_t framesPerBuffer = 4096;

} // namespace

struct PulseMicrophoneEngine::Impl {
    MainThreadPost post;
    // Shared with the notifications in flight, so that one arriving after the engine is gone
    // finds nothing to call.
    std::shared_ptr<std::function<void()>> onChange = std::make_shared<std::function<void()>>();
    std::optional<std::uint32_t> selected;
    std::optional<CaptureFormat> tapFormat;
    BufferCallback tap;         // read on the audio thread under the connection's lock
    CaptureFormat streamFormat; // the stream's format
    pa_stream* stream = nullptr;
    bool corked = false;
    std::unique_ptr<PulseConnection> connection; // last, so it goes first

    ~Impl() {
        dropStream();
        connection.reset();
    }

    // Any thread.
    void notify() {
        std::weak_ptr<std::function<void()>> weak = onChange;
        post([weak] {
            if (auto callback = weak.lock(); callback && *callback) {
                auto call = *callback; // it may replace itself
                call();
            }
        });
    }

    PulseConnection& ensureConnection() {
        if (connection && connection->isConnected()) {
            return *connection;
        }
        dropStream();
        connection.reset();
        connection = std::make_unique<PulseConnection>();
        connection->subscribe([this] { notify(); });
        return *connection;
    }

    std::optional<PulseSource> targetSource() {
        auto& server = ensureConnection();
        if (selected) {
            return server.source(*selected);
        }
        auto name = server.defaultSourceName();
        if (!name) {
            return std::nullopt;
        }
        for (auto& source : server.sources()) {
            if (source.name == *name && !source.isMonitor) {
                return source;
            }
        }
        return std::nullopt;
    }

    CaptureFormat targetFormat() {
        try {
            auto source = targetSource();
            return source && source->isUsable ? source->format : CaptureFormat{};
        } catch (const PulseError&) {
            return {};
        }
    }

    static void onStreamState(pa_stream* stream, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        self->connection->signal();
        const auto state = pa_stream_get_state(stream);
        if ((state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) &&
            stream == self->stream) {
            // Ended by the server (its source was removed, or the stream was killed).
            self->notify();
        }
    }

    static void onStreamRead(pa_stream* stream, std::size_t, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        drainRecordStream(stream, self->streamFormat, self->tap);
    }

    void connectStream(bool startCorked) {
        auto& server = ensureConnection();
        const CaptureFormat format = tapFormat ? *tapFormat : targetFormat();
        if (!format.isUsable()) {
            throw AudioInputError(AudioInputError::Kind::noInputAvailable);
        }
        auto target = targetSource();
        if (!target || !target->isUsable) {
            throw AudioInputError(AudioInputError::Kind::deviceUnavailable);
        }
        PulseLock held(server);
        stream = newRecordStream(server, "Recording", format);
        if (!stream) {
            throw std::runtime_error(server.lastError());
        }
        streamFormat = format;
        pa_stream_set_state_callback(stream, onStreamState, this);
        pa_stream_set_read_callback(stream, onStreamRead, this);
        if (!server.connectRecord(stream, target->name, framesPerBuffer * format.bytesPerFrame(),
                                  startCorked ? PA_STREAM_START_CORKED : 0)) {
            std::string message = server.lastError();
            releaseStreamLocked();
            throw std::runtime_error(message);
        }
        corked = startCorked;
    }

    void releaseStreamLocked() {
        releaseRecordStream(stream);
        corked = false;
    }

    void dropStream() {
        if (stream) {
            PulseLock held(*connection);
            releaseStreamLocked();
        }
    }

    bool streamIsReady() const {
        if (!stream) {
            return false;
        }
        PulseLock held(*connection);
        return pa_stream_get_state(stream) == PA_STREAM_READY;
    }

    void cork(bool on) {
        PulseLock held(*connection);
        connection->await(pa_stream_cork(stream, on ? 1 : 0, nullptr, nullptr));
        corked = on;
    }
};

PulseMicrophoneEngine::PulseMicrophoneEngine(MainThreadPost post) : m_impl(new Impl) {
    m_impl->post = std::move(post);
}

PulseMicrophoneEngine::~PulseMicrophoneEngine() = default;

void PulseMicrophoneEngine::setOnConfigurationChange(std::function<void()> callback) {
    *m_impl->onChange = std::move(callback);
}

std::optional<std::uint32_t> PulseMicrophoneEngine::currentDevice() const {
    if (m_impl->selected) {
        return m_impl->selected;
    }
    if (m_impl->streamIsReady()) {
        PulseLock held(*m_impl->connection);
        std::uint32_t index = pa_stream_get_device_index(m_impl->stream);
        if (index != PA_INVALID_INDEX) {
            return index;
        }
    }
    return std::nullopt;
}

void PulseMicrophoneEngine::select(std::uint32_t device) {
    try {
        auto source = m_impl->ensureConnection().source(device);
        if (!source || source->isMonitor || !source->isUsable || source->format.channelCount <= 0) {
            throw AudioInputError(AudioInputError::Kind::deviceUnavailable);
        }
    } catch (const PulseError&) {
        throw AudioInputError(AudioInputError::Kind::deviceUnavailable);
    }
    m_impl->selected = device;
    if (m_impl->stream) {
        const bool paused = m_impl->corked;
        m_impl->dropStream();
        m_impl->connectStream(paused);
    }
}

CaptureFormat PulseMicrophoneEngine::inputFormat() const {
    return m_impl->targetFormat();
}

void PulseMicrophoneEngine::installTap(const CaptureFormat& format, BufferCallback onBuffer) {
    const bool restart = m_impl->stream && format != m_impl->streamFormat;
    auto assign = [&] {
        m_impl->tapFormat = format;
        m_impl->tap = std::move(onBuffer);
    };
    if (m_impl->connection) {
        PulseLock held(*m_impl->connection);
        assign();
    } else {
        assign();
    }
    if (restart) {
        const bool paused = m_impl->corked;
        m_impl->dropStream();
        m_impl->connectStream(paused);
    }
}

void PulseMicrophoneEngine::removeTap() {
    auto clear = [&] {
        m_impl->tap = nullptr;
        m_impl->tapFormat.reset();
    };
    if (m_impl->connection) {
        PulseLock held(*m_impl->connection);
        clear();
    } else {
        clear();
    }
}

void PulseMicrophoneEngine::start() {
    if (m_impl->stream) {
        if (m_impl->streamIsReady()) {
            if (m_impl->corked) {
                m_impl->cork(false);
            }
            return;
        }
        m_impl->dropStream();
    }
    try {
        m_impl->connectStream(false);
    } catch (const PulseError& error) {
        throw std::runtime_error(error.what());
    }
}

void PulseMicrophoneEngine::pause() {
    if (m_impl->streamIsReady() && !m_impl->corked) {
        m_impl->cork(true);
    }
}

void PulseMicrophoneEngine::stop() {
    m_impl->dropStream();
}

bool PulseMicrophoneEngine::isRunning() const {
    return m_impl->streamIsReady() && !m_impl->corked;
}

} // namespace bw
