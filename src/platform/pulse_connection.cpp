#include "platform/pulse_connection.h"

#include "platform/monotonic_clock.h"

#include <pulse/pulseaudio.h>

namespace bw {

namespace {

using SampleType = CaptureFormat::SampleType;

SampleType sampleType(pa_sample_format_t format) {
    switch (format) {
    case PA_SAMPLE_U8:
        return SampleType::unsignedInt8;
    case PA_SAMPLE_S16LE:
        return SampleType::signedInt16LittleEndian;
    case PA_SAMPLE_S16BE:
        return SampleType::signedInt16BigEndian;
    case PA_SAMPLE_S24LE:
        return SampleType::signedInt24LittleEndian;
    case PA_SAMPLE_S24_32LE:
        return SampleType::signedInt24In32LittleEndian;
    case PA_SAMPLE_S32LE:
        return SampleType::signedInt32LittleEndian;
    case PA_SAMPLE_S32BE:
        return SampleType::signedInt32BigEndian;
    case PA_SAMPLE_FLOAT32LE:
        return SampleType::float32LittleEndian;
    case PA_SAMPLE_FLOAT32BE:
        return SampleType::float32BigEndian;
    default:
        // The server converts for us: ask for floating point instead.
        return SampleType::float32LittleEndian;
    }
}

void onContextState(pa_context*, void* userdata) {
    static_cast<PulseConnection*>(userdata)->signal();
}

struct SourceQuery {
    PulseConnection* connection;
    std::vector<PulseSource> sources;
};

void onSourceInfo(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* query = static_cast<SourceQuery*>(userdata);
    if (eol == 0 && info) {
        PulseSource source;
        source.index = info->index;
        source.name = info->name ? info->name : "";
        source.description = info->description ? info->description : source.name;
        source.format.sampleType = sampleType(info->sample_spec.format);
        source.format.sampleRate = static_cast<int>(info->sample_spec.rate);
        source.format.channelCount = info->sample_spec.channels;
        source.isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
        source.isUsable = PA_SOURCE_IS_OPENED(info->state) || info->state == PA_SOURCE_SUSPENDED;
        query->sources.push_back(std::move(source));
    }
    query->connection->signal();
}

struct ServerQuery {
    PulseConnection* connection;
    std::optional<std::string> defaultSource;
    std::optional<std::string> defaultSink;
};

void onServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
    auto* query = static_cast<ServerQuery*>(userdata);
    if (info && info->default_source_name) {
        query->defaultSource = info->default_source_name;
    }
    if (info && info->default_sink_name) {
        query->defaultSink = info->default_sink_name;
    }
    query->connection->signal();
}

struct SinkQuery {
    PulseConnection* connection;
    std::optional<std::string> monitor;
};

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* query = static_cast<SinkQuery*>(userdata);
    if (eol == 0 && info && info->monitor_source_name) {
        query->monitor = info->monitor_source_name;
    }
    query->connection->signal();
}

} // namespace

PulseConnection::PulseConnection() {
    m_loop = pa_threaded_mainloop_new();
    if (!m_loop) {
        throw PulseError("the sound server's client could not be created", false);
    }
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Brindlewick");
    if (!m_context) {
        pa_threaded_mainloop_free(m_loop);
        throw PulseError("the sound server's client could not be created", false);
    }
    pa_context_set_state_callback(m_context, onContextState, this);
    pa_threaded_mainloop_lock(m_loop);
    bool ready = false;
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
        pa_threaded_mainloop_start(m_loop) >= 0) {
        for (;;) {
            pa_context_state_t state = pa_context_get_state(m_context);
            if (state == PA_CONTEXT_READY) {
                ready = true;
                break;
            }
            if (!PA_CONTEXT_IS_GOOD(state)) {
                break;
            }
            pa_threaded_mainloop_wait(m_loop);
        }
    }
    if (!ready) {
        const int code = pa_context_errno(m_context);
        PulseError error(pa_strerror(code), code == PA_ERR_ACCESS);
        pa_threaded_mainloop_unlock(m_loop);
        pa_threaded_mainloop_stop(m_loop);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        pa_threaded_mainloop_free(m_loop);
        throw error;
    }
    pa_threaded_mainloop_unlock(m_loop);
}

PulseConnection::~PulseConnection() {
    pa_threaded_mainloop_lock(m_loop);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    pa_threaded_mainloop_unlock(m_loop);
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

bool PulseConnection::isConnected() const {
    pa_threaded_mainloop_lock(m_loop);
    bool connected = pa_context_get_state(m_context) == PA_CONTEXT_READY;
    pa_threaded_mainloop_unlock(m_loop);
    return connected;
}

void PulseConnection::lock() {
    pa_threaded_mainloop_lock(m_loop);
}
void PulseConnection::unlock() {
    pa_threaded_mainloop_unlock(m_loop);
}
void PulseConnection::wait() {
    pa_threaded_mainloop_wait(m_loop);
}
void PulseConnection::signal() {
    pa_threaded_mainloop_signal(m_loop, 0);
}

void PulseConnection::await(pa_operation* operation) {
    if (!operation) {
        return;
    }
    // The loop's thread wakes this waiter when the operation ends, whatever its callback does.
    pa_operation_set_state_callback(
        operation,
        [](pa_operation*, void* userdata) { static_cast<PulseConnection*>(userdata)->signal(); },
        this);
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING &&
           pa_context_get_state(m_context) == PA_CONTEXT_READY) {
        pa_threaded_mainloop_wait(m_loop);
    }
    pa_operation_unref(operation);
}

bool PulseConnection::connectRecord(pa_stream* stream, const std::string& source,
                                    std::size_t fragmentBytes, unsigned flags) {
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(-1);
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(fragmentBytes);
    const auto all = static_cast<pa_stream_flags_t>(
        PA_STREAM_DONT_MOVE | PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | flags);
    if (pa_stream_connect_record(stream, source.c_str(), &attributes, all) < 0) {
        return false;
    }
    for (;;) {
        const auto state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) {
            return true;
        }
        if (!PA_STREAM_IS_GOOD(state)) {
            return false;
        }
        wait();
    }
}

std::string PulseConnection::lastError() const {
    return pa_strerror(pa_context_errno(m_context));
}

std::vector<PulseSource> PulseConnection::sources() {
    PulseLock held(*this);
    SourceQuery query{this, {}};
    pa_operation* operation = pa_context_get_source_info_list(m_context, onSourceInfo, &query);
    if (!operation) {
        return {};
    }
    const bool complete = [&] {
        while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING &&
               pa_context_get_state(m_context) == PA_CONTEXT_READY) {
            pa_threaded_mainloop_wait(m_loop);
        }
        return pa_operation_get_state(operation) == PA_OPERATION_DONE;
    }();
    pa_operation_unref(operation);
    return complete ? query.sources : std::vector<PulseSource>{};
}

std::optional<PulseSource> PulseConnection::source(std::uint32_t index) {
    PulseLock held(*this);
    SourceQuery query{this, {}};
    await(pa_context_get_source_info_by_index(m_context, index, onSourceInfo, &query));
    if (query.sources.empty()) {
        return std::nullopt;
    }
    return query.sources.front();
}

std::optional<std::string> PulseConnection::defaultSourceName() {
    PulseLock held(*this);
    ServerQuery query{this, {}, {}};
    await(pa_context_get_server_info(m_context, onServerInfo, &query));
    return query.defaultSource;
}

std::optional<PulseSource> PulseConnection::defaultOutputMonitor() {
    std::optional<std::string> monitor;
    {
        PulseLock held(*this);
        ServerQuery server{this, {}, {}};
        await(pa_context_get_server_info(m_context, onServerInfo, &server));
        if (!server.defaultSink) {
            return std::nullopt;
        }
        SinkQuery sink{this, {}};
        await(pa_context_get_sink_info_by_name(m_context, server.defaultSink->c_str(), onSinkInfo,
                                               &sink));
        monitor = sink.monitor;
    }
    if (!monitor) {
        return std::nullopt;
    }
    for (auto& source : sources()) {
        if (source.name == *monitor && source.isMonitor) {
            return source;
        }
    }
    return std::nullopt;
}

std::optional<double> recordStreamCaptureTime(pa_stream* stream) {
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream, &latency, &negative) < 0) {
        return std::nullopt;
    }
    const double seconds = double(latency) / 1e6;
    return monotonicSeconds() - (negative ? -seconds : seconds);
}

namespace {

pa_sample_format_t serverFormat(CaptureFormat::SampleType type) {
    using SampleType = CaptureFormat::SampleType;
    switch (type) {
    case SampleType::unsignedInt8:
        return PA_SAMPLE_U8;
    case SampleType::signedInt16LittleEndian:
        return PA_SAMPLE_S16LE;
    case SampleType::signedInt16BigEndian:
        return PA_SAMPLE_S16BE;
    case SampleType::signedInt24LittleEndian:
        return PA_SAMPLE_S24LE;
    case SampleType::signedInt24In32LittleEndian:
        return PA_SAMPLE_S24_32LE;
    case SampleType::signedInt32LittleEndian:
        return PA_SAMPLE_S32LE;
    case SampleType::signedInt32BigEndian:
        return PA_SAMPLE_S32BE;
    case SampleType::float32LittleEndian:
        return PA_SAMPLE_FLOAT32LE;
    case SampleType::float32BigEndian:
        return PA_SAMPLE_FLOAT32BE;
    case SampleType::unsupported:
        break;
    }
    return PA_SAMPLE_INVALID;
}

} // namespace

pa_stream* newRecordStream(PulseConnection& connection, const char* name,
                           const CaptureFormat& format) {
    const pa_sample_spec sampleFormat{serverFormat(format.sampleType),
                                      static_cast<std::uint32_t>(format.sampleRate),
                                      static_cast<std::uint8_t>(format.channelCount)};
    return pa_stream_new(connection.context(), name, &sampleFormat, nullptr);
}

void releaseRecordStream(pa_stream*& stream) {
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream))) {
        pa_stream_disconnect(stream);
    }
    pa_stream_unref(stream);
    stream = nullptr;
}

void drainRecordStream(pa_stream* stream, const CaptureFormat& format,
                       const std::function<void(const CaptureBuffer&)>& deliver) {
    const std::size_t frameBytes = format.bytesPerFrame();
    while (pa_stream_readable_size(stream) > 0) {
        const void* data = nullptr;
        std::size_t size = 0;
        if (pa_stream_peek(stream, &data, &size) < 0 || size == 0) {
            return;
        }
        const auto captured = recordStreamCaptureTime(stream);
        // A hole (no data) is audio the server lost; nothing to hand on.
        if (data && deliver && frameBytes > 0) {
            deliver(CaptureBuffer{format, data, size / frameBytes, captured});
        }
        pa_stream_drop(stream);
    }
}

void PulseConnection::subscribe(std::function<void()> onEvent, Events events) {
    PulseLock held(*this);
    m_onEvent = std::move(onEvent);
    pa_context_set_subscribe_callback(
        m_context,
        [](pa_context*, pa_subscription_event_type_t, uint32_t, void* userdata) {
            auto* connection = static_cast<PulseConnection*>(userdata);
            if (connection->m_onEvent) {
                connection->m_onEvent();
            }
        },
        this);
    pa_context_set_state_callback(
        m_context,
        [](pa_context* context, void* userdata) {
            auto* connection = static_cast<PulseConnection*>(userdata);
            if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)) && connection->m_onEvent) {
                connection->m_onEvent();
            }
            connection->signal();
        },
        this);
    pa_operation* operation = pa_context_subscribe(
        m_context,
        static_cast<pa_subscription_mask_t>(
            (events == Events::sinks ? PA_SUBSCRIPTION_MASK_SINK : PA_SUBSCRIPTION_MASK_SOURCE) |
            PA_SUBSCRIPTION_MASK_SERVER),
        nullptr, nullptr);
    if (operation) {
        pa_operation_unref(operation);
    }
}

} // namespace bw
