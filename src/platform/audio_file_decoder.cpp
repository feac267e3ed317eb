#include "platform/audio_file_decoder.h"

#include "platform/audio_file_error.h"
#include "platform/ffmpeg_support.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace bw {

namespace {

using Kind = AudioFileError::Kind;

struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct CodecFreer {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ResamplerFreer {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFreer>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFreer>;

[[noreturn]] void fail(Kind kind, int code) {
    throw AudioFileError(kind, ffmpeg::errorMessage(code));
}

// For plain PCM the frame count follows from the bytes actually present, which catches a
// header that promises more than a truncated file holds.
std::int64_t pcmFramesPresent(AVFormatContext* format, const AVCodecParameters* parameters,
                              std::int64_t dataStart) {
    const int bits = av_get_exact_bits_per_sample(parameters->codec_id);
    const int channels = parameters->ch_layout.nb_channels;
    if (bits < 8 || parameters->block_align <= 0 ||
        bits * channels != parameters->block_align * 8 || dataStart < 0 || !format->pb) {
        return -1;
    }
    const std::int64_t size = avio_size(format->pb);
    if (size < dataStart) {
        return -1;
    }
    return (size - dataStart) / parameters->block_align;
}

} // namespace

struct AudioFileDecoder::Impl {
    std::filesystem::path file;
    FormatPtr format;
    CodecPtr codec;
    PacketPtr packet{av_packet_alloc()};
    FramePtr frame{av_frame_alloc()};
    FramePtr current{av_frame_alloc()}; // the decoded frame being delivered, when used as is
    int streamIndex = -1;
    int sampleRate = 0;
    int channels = 0;
    std::int64_t dataStart = -1;
    std::int64_t length = 0;
    std::int64_t position = 0;

    // Converts decoded frames that are not already float deinterleaved at the stream's rate
    // and channel count; rebuilt whenever the decoded format changes.
    ResamplerPtr resampler;
    int resamplerFormat = -1;
    int resamplerRate = 0;
    AVChannelLayout resamplerLayout{};
    std::vector<float> staged; // converted frames, channel after channel
    std::size_t stagedStride = 0;

    // The decoded frames not yet delivered.
    std::vector<const float*> source;
    std::size_t sourceFrames = 0;
    std::size_t sourceOffset = 0;

    bool demuxEnded = false;
    bool decoderEnded = false;
    int lastDecodeError = 0;
    std::int64_t presentedTimestamp = AV_NOPTS_VALUE; // of the decoded frame last presented

    ~Impl() { av_channel_layout_uninit(&resamplerLayout); }

    void open();
    std::string description() const;
    std::int64_t containerLength() const;
    std::int64_t countFrames();
    bool nextFrames();
    void present(AVFrame* decoded);
    void rewind();
    bool seekContainer(std::int64_t target);
    void skip(std::int64_t frames);
    void convert(const std::uint8_t** input, int frames);
    void flushResampler();
};

void AudioFileDecoder::Impl::open() {
    AVFormatContext* raw = nullptr;
    int code = avformat_open_input(&raw, file.c_str(), nullptr, nullptr);
    if (code < 0) {
        fail(Kind::cannotOpen, code);
    }
    format.reset(raw);
    dataStart = format->pb ? avio_tell(format->pb) : -1;
    code = avformat_find_stream_info(raw, nullptr);
    if (code < 0) {
        fail(Kind::cannotOpen, code);
    }

    streamIndex = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (streamIndex < 0) {
        throw AudioFileError(Kind::noAudioTrack, "no audio track");
    }
    const AVCodecParameters* parameters = raw->streams[streamIndex]->codecpar;
    sampleRate = parameters->sample_rate;
    channels = parameters->ch_layout.nb_channels;
    if (sampleRate <= 0 || channels <= 0) {
        throw AudioFileError(Kind::noAudioTrack, "no audio track");
    }
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    if (!decoder) {
        throw AudioFileError(Kind::unsupportedFormat, "unsupported format " + description());
    }
    for (unsigned i = 0; i < raw->nb_streams; ++i) {
        if (static_cast<int>(i) != streamIndex) {
            raw->streams[i]->discard = AVDISCARD_ALL;
        }
    }

    codec.reset(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), parameters) < 0) {
        throw AudioFileError(Kind::unsupportedFormat, "unsupported format " + description());
    }
    // The decoder needs the packets' time base to trim encoder delay and padding.
    codec->pkt_timebase = raw->streams[streamIndex]->time_base;
    if (avcodec_open2(codec.get(), decoder, nullptr) < 0) {
        throw AudioFileError(Kind::unsupportedFormat, "unsupported format " + description());
    }
}

std::string AudioFileDecoder::Impl::description() const {
    std::string text = std::to_string(channels) + " ch, " + std::to_string(sampleRate) +
                       " Hz, Float32, deinterleaved";
    if (format && streamIndex >= 0) {
        text += " (";
        text += avcodec_get_name(format->streams[streamIndex]->codecpar->codec_id);
        text += ")";
    }
    return text;
}

std::int64_t AudioFileDecoder::Impl::containerLength() const {
    const AVStream* stream = format->streams[streamIndex];
    // A figure estimated from the bit rate is a guess, not the container's own count.
    if (stream->duration == AV_NOPTS_VALUE || stream->duration <= 0 ||
        format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) {
        return -1;
    }
    std::int64_t frames =
        av_rescale_q(stream->duration, stream->time_base, AVRational{1, sampleRate});
    const std::int64_t present = pcmFramesPresent(format.get(), stream->codecpar, dataStart);
    if (present >= 0) {
        frames = std::min(frames, present);
    }
    return frames;
}

// Counts the frames of a file whose container does not state them: the packets' durations
// when every packet has one (no decoding needed), otherwise by decoding. Leaves the file
// reopened at its start.
std::int64_t AudioFileDecoder::Impl::countFrames() {
    const AVRational timeBase = format->streams[streamIndex]->time_base;
    std::int64_t total = 0;
    bool durationsKnown = true;
    while (durationsKnown && av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == streamIndex) {
            total += packet->duration;
            durationsKnown = packet->duration > 0;
        }
        av_packet_unref(packet.get());
    }
    std::int64_t frames = av_rescale_q(total, timeBase, AVRational{1, sampleRate});
    rewind();
    if (!durationsKnown) {
        frames = 0;
        try {
            while (nextFrames()) {
                frames += static_cast<std::int64_t>(sourceFrames);
                sourceOffset = sourceFrames;
            }
        } catch (const AudioFileError&) {
            // What decoded before the failure is what the file holds.
        }
        rewind();
    }
    return frames;
}

void AudioFileDecoder::Impl::rewind() {
    codec.reset();
    format.reset();
    resampler.reset();
    av_frame_unref(current.get());
    sourceFrames = sourceOffset = 0;
    demuxEnded = decoderEnded = false;
    lastDecodeError = 0;
    open();
}

// Asks the container for a point at or before `target` and decodes up to the first frame
// there; returns false (leaving the decoder in an unknown place) when the container cannot
// seek or the frame's timestamp is missing or lands after the target. On success `position`
// is that frame's place, at or before `target`.
bool AudioFileDecoder::Impl::seekContainer(std::int64_t target) {
    const AVStream* stream = format->streams[streamIndex];
    const AVRational frameBase{1, sampleRate};
    const std::int64_t start = stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time;
    // Compressed audio needs some frames before the target to decode it cleanly (the mp3 bit
    // reservoir, AAC's overlapping windows); a fifth of a second covers both.
    // Near the start, decoding from the start is as quick, and keeps the encoder's priming.
    const std::int64_t preroll = sampleRate / 5;
    if (target <= 2 * preroll) {
        return false;
    }
    const std::int64_t timestamp =
        start + av_rescale_q(target - preroll, frameBase, stream->time_base);
    if (av_seek_frame(format.get(), streamIndex, timestamp, AVSEEK_FLAG_BACKWARD) < 0) {
        return false;
    }
    avcodec_flush_buffers(codec.get());
    resampler.reset();
    av_frame_unref(current.get());
    sourceFrames = sourceOffset = 0;
    demuxEnded = decoderEnded = false;
    lastDecodeError = 0;
    if (!nextFrames()) {
        return false;
    }
    // A rate change inside the file delays frames in the resampler, which blurs the timestamp.
    if (presentedTimestamp == AV_NOPTS_VALUE || (resampler && resamplerRate != sampleRate)) {
        return false;
    }
    const std::int64_t place =
        av_rescale_q(presentedTimestamp - start, stream->time_base, frameBase);
    if (place < 0 || place > target) {
        return false;
    }
    position = place;
    return true;
}

// Drops the next `frames` frames (fewer at the end of the file).
void AudioFileDecoder::Impl::skip(std::int64_t frames) {
    while (frames > 0) {
        if (sourceOffset == sourceFrames && !nextFrames()) {
            return;
        }
        const auto n =
            std::min<std::int64_t>(frames, static_cast<std::int64_t>(sourceFrames - sourceOffset));
        sourceOffset += static_cast<std::size_t>(n);
        position += n;
        frames -= n;
    }
}

// Decodes until some frames are ready to deliver; false at the end of the stream.
bool AudioFileDecoder::Impl::nextFrames() {
    while (!decoderEnded) {
        int code = avcodec_receive_frame(codec.get(), frame.get());
        if (code >= 0) {
            present(frame.get());
            av_frame_unref(frame.get());
            if (sourceFrames > 0) {
                return true;
            }
            continue;
        }
        if (code == AVERROR_EOF) {
            decoderEnded = true;
            flushResampler();
            return sourceFrames > 0;
        }
        if (code != AVERROR(EAGAIN)) {
            if (code != AVERROR_INVALIDDATA) {
                fail(Kind::readFailed, code);
            }
            lastDecodeError = code;
            continue;
        }
        if (demuxEnded) {
            decoderEnded = true;
            return false;
        }
        code = av_read_frame(format.get(), packet.get());
        if (code == AVERROR_EOF) {
            demuxEnded = true;
            avcodec_send_packet(codec.get(), nullptr);
            continue;
        }
        if (code < 0) {
            fail(Kind::readFailed, code);
        }
        if (packet->stream_index == streamIndex) {
            code = avcodec_send_packet(codec.get(), packet.get());
            // A damaged packet is skipped, as players do; the rest of the file still counts.
            if (code < 0 && code != AVERROR(EAGAIN)) {
                if (code != AVERROR_INVALIDDATA) {
                    av_packet_unref(packet.get());
                    fail(Kind::readFailed, code);
                }
                lastDecodeError = code;
            }
        }
        av_packet_unref(packet.get());
    }
    return false;
}

// Makes the frames of `decoded` the source to deliver from, converting them when they are not
// float deinterleaved with the stream's rate and channel count.
void AudioFileDecoder::Impl::present(AVFrame* decoded) {
    sourceOffset = 0;
    sourceFrames = 0;
    presentedTimestamp = decoded->best_effort_timestamp != AV_NOPTS_VALUE
                             ? decoded->best_effort_timestamp
                             : decoded->pts;
    if (decoded->nb_samples <= 0) {
        return;
    }
    if (decoded->format == AV_SAMPLE_FMT_FLTP && decoded->sample_rate == sampleRate &&
        decoded->ch_layout.nb_channels == channels) {
        av_frame_unref(current.get());
        av_frame_move_ref(current.get(), decoded);
        source.assign(channels, nullptr);
        for (int c = 0; c < channels; ++c) {
            source[c] = reinterpret_cast<const float*>(current->extended_data[c]);
        }
        sourceFrames = static_cast<std::size_t>(current->nb_samples);
        return;
    }

    if (!resampler || resamplerFormat != decoded->format || resamplerRate != decoded->sample_rate ||
        av_channel_layout_compare(&resamplerLayout, &decoded->ch_layout) != 0) {
        AVChannelLayout outLayout{};
        if (codec->ch_layout.nb_channels == channels) {
            av_channel_layout_copy(&outLayout, &codec->ch_layout);
        } else {
            av_channel_layout_default(&outLayout, channels);
        }
        SwrContext* raw = nullptr;
        int code = swr_alloc_set_opts2(
            &raw, &outLayout, AV_SAMPLE_FMT_FLTP, sampleRate, &decoded->ch_layout,
            static_cast<AVSampleFormat>(decoded->format), decoded->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&outLayout);
        resampler.reset(raw);
        // A change of channel count is mixed to the stream's at unchanged loudness.
        if (code >= 0) {
            code = av_opt_set_double(raw, "rematrix_maxval", 1.0, 0);
        }
        if (code >= 0) {
            code = swr_init(raw);
        }
        if (code < 0) {
            resampler.reset();
            fail(Kind::readFailed, code);
        }
        resamplerFormat = decoded->format;
        resamplerRate = decoded->sample_rate;
        av_channel_layout_uninit(&resamplerLayout);
        av_channel_layout_copy(&resamplerLayout, &decoded->ch_layout);
    }

    convert(const_cast<const std::uint8_t**>(decoded->extended_data), decoded->nb_samples);
}

// Runs `frames` frames (none, with no input: a flush) through the format converter into
// `staged` and makes them the source to deliver from.
void AudioFileDecoder::Impl::convert(const std::uint8_t** input, int frames) {
    const int capacity = swr_get_out_samples(resampler.get(), frames);
    if (capacity < 0) {
        fail(Kind::readFailed, capacity);
    }
    if (stagedStride < static_cast<std::size_t>(capacity)) {
        stagedStride = static_cast<std::size_t>(capacity);
        staged.assign(stagedStride * static_cast<std::size_t>(channels), 0.0f);
    }
    std::vector<std::uint8_t*> planes(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        planes[c] = reinterpret_cast<std::uint8_t*>(staged.data() +
                                                    static_cast<std::size_t>(c) * stagedStride);
    }
    const int converted = swr_convert(resampler.get(), planes.data(), capacity, input, frames);
    if (converted < 0) {
        fail(Kind::readFailed, converted);
    }
    source.resize(planes.size());
    for (std::size_t c = 0; c < planes.size(); ++c) {
        source[c] = reinterpret_cast<const float*>(planes[c]);
    }
    sourceOffset = 0;
    sourceFrames = static_cast<std::size_t>(converted);
}

// Frames a rate change left inside the format converter come out at the end of the file.
void AudioFileDecoder::Impl::flushResampler() {
    if (resampler && resamplerRate != sampleRate) {
        convert(nullptr, 0);
    }
}

AudioFileDecoder::AudioFileDecoder(const std::filesystem::path& file) : m_impl(new Impl) {
    ffmpeg::initialize();
    m_impl->file = file;
    if (!m_impl->packet || !m_impl->frame || !m_impl->current) {
        throw AudioFileError(Kind::cannotOpen, ffmpeg::errorMessage(AVERROR(ENOMEM)));
    }
    m_impl->open();
    m_impl->length = m_impl->containerLength();
    if (m_impl->length < 0) {
        m_impl->length = m_impl->countFrames();
    }
}

AudioFileDecoder::~AudioFileDecoder() = default;

int AudioFileDecoder::sampleRate() const {
    return m_impl->sampleRate;
}
int AudioFileDecoder::channelCount() const {
    return m_impl->channels;
}
std::int64_t AudioFileDecoder::lengthInFrames() const {
    return m_impl->length;
}
std::int64_t AudioFileDecoder::framePosition() const {
    return m_impl->position;
}
std::string AudioFileDecoder::formatDescription() const {
    return m_impl->description();
}

std::size_t AudioFileDecoder::read(PcmBuffer& buffer, std::size_t maxFrames) {
    Impl& d = *m_impl;
    const std::size_t wanted = std::min(maxFrames, buffer.frameCapacity());
    std::size_t got = 0;
    while (got < wanted && buffer.channelCount() == d.channels) {
        if (d.sourceOffset == d.sourceFrames && !d.nextFrames()) {
            break;
        }
        const std::size_t n = std::min(wanted - got, d.sourceFrames - d.sourceOffset);
        for (int c = 0; c < d.channels; ++c) {
            std::memcpy(buffer.channel(c) + got, d.source[c] + d.sourceOffset, n * sizeof(float));
        }
        d.sourceOffset += n;
        got += n;
    }
    buffer.setFrameLength(got);
    d.position += static_cast<std::int64_t>(got);
    if (got == 0 && d.position == 0 && d.lastDecodeError != 0) {
        fail(Kind::readFailed, d.lastDecodeError);
    }
    return got;
}

void AudioFileDecoder::seek(std::int64_t frame) {
    Impl& d = *m_impl;
    const std::int64_t target =
        std::clamp<std::int64_t>(frame, 0, std::max<std::int64_t>(d.length, 0));
    const auto buffered = static_cast<std::int64_t>(d.sourceFrames - d.sourceOffset);
    // A short step forward is cheaper to decode through than to seek.
    if (target >= d.position && target - d.position <= buffered + d.sampleRate) {
        d.skip(target - d.position);
        return;
    }
    if (!d.seekContainer(target)) {
        d.rewind();
        d.position = 0;
    }
    d.skip(target - d.position);
}

} // namespace bw
