#include "platform/pulse_system_audio_capture.h"

#include "platform/pulse_connection.h"

#include <pulse/pulseaudio.h>

#include <stdexcept>

namespace bw {

namespace {

// Frames per delivered buffer, as the server is asked for them.
constexpr std::size_t framesPerBuffer = 4096;

CaptureFormat::SampleType requestedType(CaptureFormat::SampleType type) {
    using SampleType = CaptureFormat::SampleType;
    return type == SampleType::signedInt16LittleEndian ||
                   type == SampleType::signedInt32LittleEndian
               ? type
               : SampleType::float32LittleEndian;
}

} // namespace

struct PulseSystemAudioCapture::Impl {
    MainThreadPost post;
    // Shared with the notifications in flight, so that one arriving after a stop finds nothing.
    std::shared_ptr<std::function<void()>> onChange;
    BufferCallback tap; // read on the audio thread under the connection's lock
    std::function<void()> onNoOutput;
    bool saidNoOutput = false;
    bool running = false;
    bool paused = false;
    pa_stream* stream = nullptr;
    std::string monitor;
    CaptureFormat format;
    std::unique_ptr<PulseConnection> connection; // last, so it goes first

    ~Impl() { stop(); }

    // Any thread.
    void notify() {
        std::weak_ptr<std::function<void()>> weak = onChange;
        post([weak] {
            if (auto callback = weak.lock(); callback && *callback) {
                (*callback)();
            }
        });
    }

    static void onStreamState(pa_stream* stream, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        self->connection->signal();
        const auto state = pa_stream_get_state(stream);
        if ((state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) &&
            stream == self->stream) {
            self->notify(); // its sink went away: find the new default
        }
    }

    static void onStreamRead(pa_stream* stream, std::size_t, void* userdata) {
        auto* self = static_cast<Impl*>(userdata);
        drainRecordStream(stream, self->format, self->tap);
    }

    void sayNoOutput() {
        if (!saidNoOutput) {
            saidNoOutput = true;
            if (auto callback = onNoOutput) {
                callback();
            }
        }
    }

    // Main thread: records from the default output's monitor, whichever that is now.
    void follow() {
        if (!running || !connection) {
            return;
        }
        std::optional<PulseSource> target;
        try {
            target = connection->defaultOutputMonitor();
        } catch (const std::exception&) {
        }
        if (stream && target && target->name == monitor && isGood()) {
            return;
        }
        dropStream();
        if (!target || !target->isUsable) {
            sayNoOutput();
            return;
        }
        try {
            connectStream(*target);
        } catch (const std::exception&) {
            dropStream();
            sayNoOutput();
        }
    }

    bool isGood() {
        PulseLock held(*connection);
        return PA_STREAM_IS_GOOD(pa_stream_get_state(stream));
    }

    void connectStream(const PulseSource& source) {
        CaptureFormat wanted{requestedType(source.format.sampleType), source.format.sampleRate,
                             source.format.channelCount};
        if (!wanted.isUsable()) {
            throw std::runtime_error("the output's monitor has no usable format");
        }
        PulseLock held(*connection);
        stream = newRecordStream(*connection, "Recording this computer's sound", wanted);
        if (!stream) {
            throw std::runtime_error(connection->lastError());
        }
        format = wanted;
        monitor = source.name;
        pa_stream_set_state_callback(stream, onStreamState, this);
        pa_stream_set_read_callback(stream, onStreamRead, this);
        // The stream never moves by itself: follow() moves it to the new default's monitor. The
        // latency it asks for keeps an idle output from handing over seconds at a time.
        if (!connection->connectRecord(
                stream, source.name, framesPerBuffer * wanted.bytesPerFrame(),
                PA_STREAM_ADJUST_LATENCY | (paused ? PA_STREAM_START_CORKED : 0))) {
            throw std::runtime_error(connection->lastError());
        }
    }

    void dropStream() {
        if (!stream) {
            return;
        }
        PulseLock held(*connection);
        releaseRecordStream(stream);
        monitor.clear();
    }

    void cork(bool on) {
        paused = on;
        if (stream && isGood()) {
            PulseLock held(*connection);
            connection->await(pa_stream_cork(stream, on ? 1 : 0, nullptr, nullptr));
        }
    }

    void stop() {
        running = false;
        if (connection) {
            dropStream();
        }
        // Its thread ends with it, so nothing reads the callbacks below any more.
        connection.reset();
        tap = nullptr;
        onChange.reset();
        onNoOutput = nullptr;
    }
};

PulseSystemAudioCapture::PulseSystemAudioCapture(MainThreadPost post) : m_impl(new Impl) {
    m_impl->post = std::move(post);
}

PulseSystemAudioCapture::~PulseSystemAudioCapture() = default;

void PulseSystemAudioCapture::start(BufferCallback onBuffer, std::function<void()> onNoOutput) {
    m_impl->stop();
    m_impl->connection = std::make_unique<PulseConnection>();
    m_impl->tap = std::move(onBuffer); // no stream yet
    m_impl->onNoOutput = std::move(onNoOutput);
    m_impl->saidNoOutput = false;
    m_impl->paused = false;
    m_impl->running = true;
    Impl* impl = m_impl.get();
    m_impl->onChange = std::make_shared<std::function<void()>>([impl] { impl->follow(); });
    // start() may run away from the main thread: what changes meanwhile is followed on the main
    // thread once it is done.
    m_impl->follow();
    m_impl->connection->subscribe([impl] { impl->notify(); }, PulseConnection::Events::sinks);
    m_impl->notify();
}

void PulseSystemAudioCapture::pause() {
    m_impl->cork(true);
}

void PulseSystemAudioCapture::resume() {
    m_impl->cork(false);
    m_impl->follow(); // the default may have changed meanwhile
}

void PulseSystemAudioCapture::stop() {
    m_impl->stop();
}

std::optional<std::string> PulseSystemAudioCapture::currentMonitor() const {
    if (!m_impl->stream) {
        return std::nullopt;
    }
    return m_impl->monitor;
}

} // namespace bw
