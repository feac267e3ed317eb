#include "platform/pulse_audio_player.h"

#include "platform/audio_file_decoder.h"
#include "platform/audio_file_error.h"
#include "platform/mixed_audio_decoder.h"
#include "platform/pulse_connection.h"
#include "platform/tempo_filter.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace bw {

namespace {

// Audio the server keeps queued ahead of the listener: short enough that a pause or seek
// answers at once, long enough to ride out a busy machine.
constexpr pa_usec_t targetLatency = 200 * 1000;
constexpr std::size_t blockFrames = 4096;

} // namespace

// Where things stand: without a stream the decoder sits at `origin`, which is the position.
// With a stream (only while playing) the stream's audio starts at `origin`, `consumed` frames
// of the file have been decoded for it (the decoder sits at origin + consumed) and `written`
// frames have gone into it: as many, or about consumed / rate through the tempo filter.
struct PulseAudioPlayer::Impl {
    Impl(const std::filesystem::path& file, const std::optional<std::filesystem::path>& mixedWith)
        : decoder(file, mixedWith), rate(decoder.sampleRate()), channels(decoder.channelCount()),
          length(std::max<std::int64_t>(decoder.lengthInFrames(), 0)),
          block(channels, blockFrames) {}

    ~Impl() { disconnect(); }

    MixedAudioDecoder decoder;
    const int rate;
    const int channels;
    const std::int64_t length;
    PcmBuffer block;
    std::vector<float> interleaved;

    std::unique_ptr<PulseConnection> connection; // none until the first play, or once lost
    pa_stream* stream = nullptr;
    pa_operation* drainOperation = nullptr; // of `stream`, until the stream closes

    double speed = 1;
    std::unique_ptr<TempoFilter> tempo; // while a stream plays at another speed
    bool tempoFinished = false;

    std::int64_t origin = 0;
    std::int64_t consumed = 0;
    std::int64_t written = 0;
    std::int64_t heardFrames = 0; // of the current stream, as last measured
    bool playing = false;
    bool draining = false;
    bool drained = false;
    bool streamFailed = false;

    bool connect();
    void disconnect();
    bool openStream();
    void closeStream();
    std::int64_t heard();
    std::int64_t heardInFile();
    void settle();
    std::size_t produce(std::size_t wanted);
    void fill(std::size_t bytes);
    void haltAtListener();

    static void streamStateChanged(pa_stream* s, void* self);
    static void writable(pa_stream* s, std::size_t bytes, void* self);
    static void drainFinished(pa_stream* s, int success, void* self);
};

// Holds the connection's lock (when there is a connection) for one public call.
class ClientLock {
public:
    explicit ClientLock(const std::unique_ptr<PulseConnection>& connection)
        : m_connection(connection.get()) {
        if (m_connection) {
            m_connection->lock();
        }
    }
    ~ClientLock() {
        if (m_connection) {
            m_connection->unlock();
        }
    }
    ClientLock(const ClientLock&) = delete;
    ClientLock& operator=(const ClientLock&) = delete;

private:
    PulseConnection* m_connection;
};

void PulseAudioPlayer::Impl::streamStateChanged(pa_stream* s, void* self) {
    auto* impl = static_cast<Impl*>(self);
    if (s == impl->stream && (pa_stream_get_state(s) == PA_STREAM_FAILED ||
                              pa_stream_get_state(s) == PA_STREAM_TERMINATED)) {
        impl->streamFailed = true;
    }
    impl->connection->signal();
}

void PulseAudioPlayer::Impl::writable(pa_stream* s, std::size_t bytes, void* self) {
    auto* impl = static_cast<Impl*>(self);
    if (s == impl->stream) {
        impl->fill(bytes);
    }
}

void PulseAudioPlayer::Impl::drainFinished(pa_stream* s, int success, void* self) {
    auto* impl = static_cast<Impl*>(self);
    if (s == impl->stream && success) {
        impl->drained = true;
    }
    impl->connection->signal();
}

// Reaches the sound server, or keeps the connection that is still good. Call without the lock.
bool PulseAudioPlayer::Impl::connect() {
    if (connection && connection->isConnected()) {
        return true;
    }
    disconnect();
    try {
        connection = std::make_unique<PulseConnection>();
    } catch (const PulseError&) {
        return false;
    }
    return true;
}

// Closes the stream and the connection. Call without the lock.
void PulseAudioPlayer::Impl::disconnect() {
    if (!connection) {
        return;
    }
    {
        ClientLock lock(connection);
        closeStream();
    }
    connection.reset();
}

// Opens a playback stream for the audio from `origin` on. Call with the lock held.
bool PulseAudioPlayer::Impl::openStream() {
    const pa_sample_spec sampleFormat{PA_SAMPLE_FLOAT32NE, static_cast<std::uint32_t>(rate),
                                      static_cast<std::uint8_t>(channels)};
    pa_channel_map map;
    if (!pa_sample_spec_valid(&sampleFormat) ||
        !pa_channel_map_init_extend(&map, sampleFormat.channels, PA_CHANNEL_MAP_DEFAULT)) {
        return false;
    }
    stream = pa_stream_new(connection->context(), "Playback", &sampleFormat, &map);
    if (!stream) {
        return false;
    }
    written = consumed = heardFrames = 0;
    draining = drained = streamFailed = false;
    tempoFinished = false;
    tempo.reset();
    if (speed != 1) {
        try {
            tempo = std::make_unique<TempoFilter>(rate, channels, speed);
        } catch (const std::exception&) {
            // Without the filter the audio plays as recorded.
        }
    }
    pa_stream_set_state_callback(stream, streamStateChanged, this);
    pa_stream_set_write_callback(stream, writable, this);

    pa_buffer_attr attributes;
    attributes.maxlength = static_cast<std::uint32_t>(-1);
    attributes.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(targetLatency, &sampleFormat));
    attributes.prebuf = static_cast<std::uint32_t>(-1);
    attributes.minreq = static_cast<std::uint32_t>(-1);
    attributes.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(stream, nullptr, &attributes, flags, nullptr, nullptr) < 0) {
        closeStream();
        return false;
    }
    while (pa_stream_get_state(stream) == PA_STREAM_CREATING) {
        connection->wait();
    }
    if (pa_stream_get_state(stream) != PA_STREAM_READY) {
        closeStream();
        return false;
    }
    return true;
}

void PulseAudioPlayer::Impl::closeStream() {
    if (!stream) {
        return;
    }
    // A cancelled operation never calls back, so nothing reaches this object once it is gone.
    if (drainOperation) {
        pa_operation_cancel(drainOperation);
        pa_operation_unref(drainOperation);
        drainOperation = nullptr;
    }
    pa_stream* closing = stream;
    stream = nullptr;
    pa_stream_set_write_callback(closing, nullptr, nullptr);
    pa_stream_set_state_callback(closing, nullptr, nullptr);
    pa_stream_disconnect(closing);
    pa_stream_unref(closing);
}

// Frames of the current stream the listener has heard: written minus what is still queued
// between us and the loudspeaker. Never goes back. Call with the lock held.
std::int64_t PulseAudioPlayer::Impl::heard() {
    if (!stream || streamFailed) {
        return heardFrames;
    }
    pa_usec_t latency = 0;
    int negative = 0;
    if (pa_stream_get_latency(stream, &latency, &negative) < 0) {
        return heardFrames; // no timing yet: nothing new has been heard
    }
    auto queued = static_cast<std::int64_t>(
        std::llround(static_cast<double>(latency) * static_cast<double>(rate) / 1e6));
    if (negative) {
        queued = -queued;
    }
    heardFrames = std::clamp(written - queued, heardFrames, written);
    return heardFrames;
}

// Frames of the file the listener has heard from the current stream. Call with the lock held.
std::int64_t PulseAudioPlayer::Impl::heardInFile() {
    const std::int64_t frames = heard();
    if (!tempo) {
        return frames;
    }
    return std::min(consumed, std::int64_t(std::llround(double(frames) * tempo->tempo())));
}

// Takes in what the client thread noticed: the end heard, or a stream the server dropped.
// Call with the lock held.
void PulseAudioPlayer::Impl::settle() {
    if (!stream) {
        return;
    }
    if (drained) {
        // Whatever the container promised, the end of the decoded audio is the end.
        origin = length;
        closeStream();
        playing = false;
    } else if (streamFailed) {
        haltAtListener();
    }
}

// Stops the stream, keeping the position the listener has reached. Call with the lock held.
void PulseAudioPlayer::Impl::haltAtListener() {
    origin += heardInFile();
    closeStream();
    decoder.seek(origin);
    playing = false;
}

// Decodes up to `wanted` frames for the stream into `interleaved`; returns how many (0 at the
// end). Through the tempo filter when there is one: file audio goes in until enough comes out.
// Runs on the client thread with the lock held.
std::size_t PulseAudioPlayer::Impl::produce(std::size_t wanted) {
    interleaved.clear();
    auto decode = [&](std::size_t frames) -> std::size_t {
        // Frames past the stated length (an encoder's padding) are not played, so the end
        // is heard at duration().
        const auto left =
            static_cast<std::size_t>(std::max<std::int64_t>(length - origin - consumed, 0));
        std::size_t read = 0;
        try {
            read = left == 0 ? 0 : decoder.read(block, std::min({frames, blockFrames, left}));
        } catch (const std::exception&) {
            // Nothing may escape into the sound client's thread; a damaged rest of the file
            // plays as its end.
            read = 0;
        }
        consumed += static_cast<std::int64_t>(read);
        return read;
    };
    if (!tempo) {
        const std::size_t frames = decode(wanted);
        interleaved.resize(frames * static_cast<std::size_t>(channels));
        for (std::size_t i = 0; i < frames; ++i) {
            for (int c = 0; c < channels; ++c) {
                interleaved[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] =
                    block.channel(c)[i];
            }
        }
        return frames;
    }
    try {
        std::size_t frames = tempo->pull(interleaved, wanted);
        while (frames == 0 && !tempoFinished) {
            const std::size_t read = decode(blockFrames);
            if (read == 0) {
                tempo->finish();
                tempoFinished = true;
            } else {
                tempo->push(block, read);
            }
            frames = tempo->pull(interleaved, wanted);
        }
        return frames;
    } catch (const std::exception&) {
        return 0; // as a damaged rest of the file
    }
}

// Decodes and queues `bytes` worth of audio; at the end of the file, drains the stream so the
// end is noticed once it has been heard. Runs on the client thread with the lock held.
void PulseAudioPlayer::Impl::fill(std::size_t bytes) {
    if (draining) {
        return;
    }
    const std::size_t frameBytes = sizeof(float) * static_cast<std::size_t>(channels);
    std::size_t wanted = bytes / frameBytes;
    while (wanted > 0) {
        const std::size_t frames = produce(wanted);
        if (frames == 0) {
            draining = true;
            drainOperation = pa_stream_drain(stream, drainFinished, this);
            return;
        }
        if (pa_stream_write(stream, interleaved.data(), frames * frameBytes, nullptr, 0,
                            PA_SEEK_RELATIVE) < 0) {
            return;
        }
        written += static_cast<std::int64_t>(frames);
        wanted -= frames;
    }
}

PulseAudioPlayer::PulseAudioPlayer(const std::filesystem::path& file,
                                   const std::optional<std::filesystem::path>& mixedWith)
    : m_impl(std::make_unique<Impl>(file, mixedWith)) {}

PulseAudioPlayer::~PulseAudioPlayer() = default;

void PulseAudioPlayer::prepareToPlay() {
    m_impl->connect();
}

bool PulseAudioPlayer::play() {
    Impl& d = *m_impl;
    {
        ClientLock lock(d.connection);
        d.settle();
        if (d.playing) {
            return true;
        }
        if (d.origin >= d.length) {
            return false;
        }
    }
    if (!d.connect()) {
        return false;
    }
    ClientLock lock(d.connection);
    d.playing = d.openStream();
    return d.playing;
}

void PulseAudioPlayer::pause() {
    Impl& d = *m_impl;
    ClientLock lock(d.connection);
    d.settle();
    if (d.playing) {
        d.haltAtListener();
    }
}

void PulseAudioPlayer::stop() {
    pause();
    m_impl->disconnect();
}

double PulseAudioPlayer::currentTime() const {
    Impl& d = *m_impl;
    ClientLock lock(d.connection);
    d.settle();
    const std::int64_t frames = d.stream ? d.origin + d.heardInFile() : d.origin;
    return static_cast<double>(frames) / d.rate;
}

void PulseAudioPlayer::setCurrentTime(double seconds) {
    Impl& d = *m_impl;
    ClientLock lock(d.connection);
    d.settle();
    const double wanted = seconds * d.rate;
    const std::int64_t frame = std::isnan(wanted) || wanted <= 0         ? 0
                               : wanted >= static_cast<double>(d.length) ? d.length
                                                                         : std::llround(wanted);
    const bool wasPlaying = d.playing;
    d.closeStream();
    d.decoder.seek(frame);
    d.origin = frame;
    d.playing = wasPlaying && frame < d.length && d.openStream();
}

void PulseAudioPlayer::setRate(double rate) {
    Impl& d = *m_impl;
    ClientLock lock(d.connection);
    d.settle();
    const double speed = std::clamp(rate, TempoFilter::slowest, TempoFilter::fastest);
    if (speed == d.speed) {
        return;
    }
    d.speed = speed;
    if (d.playing) {
        // The stream starts again where the listener is, at the new speed.
        d.haltAtListener();
        d.playing = d.origin < d.length && d.openStream();
    }
}

double PulseAudioPlayer::duration() const {
    return static_cast<double>(m_impl->length) / m_impl->rate;
}

bool PulseAudioPlayer::isPlaying() const {
    Impl& d = *m_impl;
    ClientLock lock(d.connection);
    d.settle();
    return d.playing;
}

AudioPlayerFactory PulseAudioPlayer::factory() {
    return
        [](const std::filesystem::path& file,
           const std::optional<std::filesystem::path>& mixedWith) -> std::unique_ptr<AudioPlayer> {
            return std::make_unique<PulseAudioPlayer>(file, mixedWith);
        };
}

} // namespace bw
