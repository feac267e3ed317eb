#include "platform/audio_converter.h"

#include "platform/audio_file_error.h"
#include "platform/ffmpeg_support.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace bw {

namespace {

using Kind = AudioFileError::Kind;

// SoX's resampler at the highest precision it offers (bits), FFmpeg's counterpart of the
// best sample-rate converter quality.
constexpr int resamplerPrecision = 33;

// FFmpeg's resampler holds at most this many channels.
constexpr int maximumChannels = 64;

struct ResamplerFreer {
    void operator()(SwrContext* context) const { swr_free(&context); }
};

int checked(int code) {
    if (code < 0) {
        throw AudioFileError(Kind::conversionFailed, ffmpeg::errorMessage(code));
    }
    return code;
}

const std::uint8_t** inputPlanes(std::vector<const std::uint8_t*>& planes, const PcmBuffer& block) {
    planes.resize(static_cast<std::size_t>(block.channelCount()));
    for (int c = 0; c < block.channelCount(); ++c) {
        planes[static_cast<std::size_t>(c)] =
            reinterpret_cast<const std::uint8_t*>(block.channel(c));
    }
    return planes.data();
}

} // namespace

struct AudioConverter::Impl {
    std::vector<const std::uint8_t*> planes;
    std::unique_ptr<SwrContext, ResamplerFreer> resampler;
    int inputRate = 0;
    int inputChannels = 0;
    int outputRate = 0;
    std::vector<float> pending; // converted samples the caller has not taken yet
    std::size_t pendingOffset = 0;
    bool inputEnded = false;
    bool finished = false;

    void resample(const PcmBuffer* block);
};

AudioConverter::AudioConverter(int inputRate, int inputChannels, int outputRate)
    : m_impl(new Impl) {
    ffmpeg::initialize();
    const auto unsupported = [&] {
        return AudioFileError(Kind::unsupportedFormat,
                              "unsupported format " + std::to_string(inputChannels) + " ch, " +
                                  std::to_string(inputRate) + " Hz to 1 ch, " +
                                  std::to_string(outputRate) + " Hz");
    };
    if (inputRate <= 0 || outputRate <= 0 || inputChannels <= 0 ||
        inputChannels > maximumChannels) {
        throw unsupported();
    }
    m_impl->inputRate = inputRate;
    m_impl->inputChannels = inputChannels;
    m_impl->outputRate = outputRate;

    AVChannelLayout inputLayout{};
    AVChannelLayout outputLayout{};
    av_channel_layout_default(&inputLayout, inputChannels);
    av_channel_layout_default(&outputLayout, 1);
    SwrContext* raw = nullptr;
    int code = swr_alloc_set_opts2(&raw, &outputLayout, AV_SAMPLE_FMT_FLT, outputRate, &inputLayout,
                                   AV_SAMPLE_FMT_FLTP, inputRate, 0, nullptr);
    av_channel_layout_uninit(&inputLayout);
    av_channel_layout_uninit(&outputLayout);
    m_impl->resampler.reset(raw);
    if (code < 0 || !raw) {
        throw unsupported();
    }
    if (av_opt_set(raw, "resampler", "soxr", 0) < 0 ||
        av_opt_set_double(raw, "precision", resamplerPrecision, 0) < 0) {
        // Without SoX's engine, FFmpeg's own at its most careful settings.
        av_opt_set(raw, "resampler", "swr", 0);
        av_opt_set_int(raw, "filter_size", 64, 0);
        av_opt_set_int(raw, "phase_shift", 16, 0);
        av_opt_set_int(raw, "exact_rational", 1, 0);
    }
    // Every channel gets the same weight: an average, so nothing is lost and a signal present
    // in all channels keeps its level without clipping.
    std::vector<double> matrix(static_cast<std::size_t>(inputChannels), 1.0 / inputChannels);
    if (swr_set_matrix(raw, matrix.data(), inputChannels) < 0 || swr_init(raw) < 0) {
        throw unsupported();
    }
}

AudioConverter::~AudioConverter() = default;

AudioConverter::Status AudioConverter::convert(float* output, std::size_t capacity,
                                               std::size_t& produced, const InputFunction& input) {
    Impl& d = *m_impl;
    produced = 0;
    while (produced < capacity) {
        if (d.pendingOffset < d.pending.size()) {
            const std::size_t n = std::min(capacity - produced, d.pending.size() - d.pendingOffset);
            std::copy_n(d.pending.data() + d.pendingOffset, n, output + produced);
            d.pendingOffset += n;
            produced += n;
            continue;
        }
        if (d.finished) {
            return Status::endOfStream;
        }
        const PcmBuffer* block = nullptr;
        if (!d.inputEnded) {
            const std::size_t remaining = capacity - produced;
            block = input(static_cast<std::size_t>(static_cast<double>(remaining) * d.inputRate /
                                                   d.outputRate) +
                          1);
            if (block && block->frameLength() == 0) {
                return Status::inputRanDry;
            }
            if (block && block->channelCount() != d.inputChannels) {
                throw AudioFileError(Kind::conversionFailed,
                                     "input block with " + std::to_string(block->channelCount()) +
                                         " channels for a converter of " +
                                         std::to_string(d.inputChannels));
            }
            d.inputEnded = block == nullptr;
        }
        d.resample(block);
    }
    return Status::haveData;
}

// Converts one input block (or, with none, flushes the resampler) into `pending`. The output
// room always covers everything the input can yield, so the resampler never has to hold input
// back; what the caller has no room for yet waits in `pending`.
void AudioConverter::Impl::resample(const PcmBuffer* block) {
    const int frames = block ? static_cast<int>(block->frameLength()) : 0;
    const int room = std::max(checked(swr_get_out_samples(resampler.get(), frames)), 1);
    pending.resize(static_cast<std::size_t>(room));
    pendingOffset = 0;
    std::uint8_t* out[1] = {reinterpret_cast<std::uint8_t*>(pending.data())};
    const int converted = checked(swr_convert(
        resampler.get(), out, room, block ? inputPlanes(planes, *block) : nullptr, frames));
    pending.resize(static_cast<std::size_t>(converted));
    if (!block && converted == 0) {
        finished = true;
    }
}

} // namespace bw
