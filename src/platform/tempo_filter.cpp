#include "platform/tempo_filter.h"

#include "platform/audio_file_error.h"
#include "platform/ffmpeg_support.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>
#include <string>

namespace bw {

namespace {

[[noreturn]] void fail(const std::string& what, int code) {
    throw AudioFileError(AudioFileError::Kind::conversionFailed,
                         what + ": " + ffmpeg::errorMessage(code));
}

} // namespace

// abuffer (planar float) -> atempo -> aformat (interleaved float) -> abuffersink. Output frames
// are taken from `pending` first, as the sink hands them over whole.
struct TempoFilter::Impl {
    Impl(int sampleRate, int channelCount, double tempo)
        : rate(sampleRate), channels(channelCount) {
        ffmpeg::initialize();
        graph = avfilter_graph_alloc();
        pending = av_frame_alloc();
        if (!graph || !pending) {
            release();
            fail("The tempo filter couldn't be made", AVERROR(ENOMEM));
        }
        AVChannelLayout layout;
        av_channel_layout_default(&layout, channelCount);
        char layoutName[128] = {};
        av_channel_layout_describe(&layout, layoutName, sizeof layoutName);
        av_channel_layout_uninit(&layout);
        const std::string sourceArguments = "time_base=1/" + std::to_string(sampleRate) +
                                            ":sample_rate=" + std::to_string(sampleRate) +
                                            ":sample_fmt=fltp:channel_layout=" + layoutName;
        const std::string tempoArgument = "tempo=" + std::to_string(tempo);
        AVFilterContext* tempoFilter = nullptr;
        AVFilterContext* format = nullptr;
        int code = avfilter_graph_create_filter(&source, avfilter_get_by_name("abuffer"), "in",
                                                sourceArguments.c_str(), nullptr, graph);
        if (code >= 0) {
            code = avfilter_graph_create_filter(&tempoFilter, avfilter_get_by_name("atempo"),
                                                "tempo", tempoArgument.c_str(), nullptr, graph);
        }
        if (code >= 0) {
            code = avfilter_graph_create_filter(&format, avfilter_get_by_name("aformat"), "format",
                                                "sample_fmts=flt", nullptr, graph);
        }
        if (code >= 0) {
            code = avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out",
                                                nullptr, nullptr, graph);
        }
        if (code >= 0) {
            code = avfilter_link(source, 0, tempoFilter, 0);
        }
        if (code >= 0) {
            code = avfilter_link(tempoFilter, 0, format, 0);
        }
        if (code >= 0) {
            code = avfilter_link(format, 0, sink, 0);
        }
        if (code >= 0) {
            code = avfilter_graph_config(graph, nullptr);
        }
        if (code < 0) {
            release();
            fail("The tempo filter couldn't be made", code);
        }
    }

    ~Impl() { release(); }

    void release() {
        av_frame_free(&pending);
        avfilter_graph_free(&graph);
    }

    const int rate;
    const int channels;
    AVFilterGraph* graph = nullptr;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    AVFrame* pending = nullptr; // output not yet pulled
    int pendingOffset = 0;      // frames of `pending` already pulled
    std::int64_t nextPts = 0;
};

TempoFilter::TempoFilter(int sampleRate, int channelCount, double tempo)
    : m_tempo(std::clamp(tempo, slowest, fastest)) {
    m_impl = std::make_unique<Impl>(sampleRate, channelCount, m_tempo);
}

TempoFilter::~TempoFilter() = default;

void TempoFilter::push(const PcmBuffer& block, std::size_t frames) {
    if (frames == 0) {
        return;
    }
    AVFrame* frame = av_frame_alloc();
    if (!frame) {
        fail("The tempo filter couldn't take audio", AVERROR(ENOMEM));
    }
    frame->format = AV_SAMPLE_FMT_FLTP;
    frame->nb_samples = int(frames);
    frame->sample_rate = m_impl->rate;
    av_channel_layout_default(&frame->ch_layout, m_impl->channels);
    frame->pts = m_impl->nextPts;
    m_impl->nextPts += std::int64_t(frames);
    int code = av_frame_get_buffer(frame, 0);
    if (code >= 0) {
        for (int c = 0; c < m_impl->channels; ++c) {
            std::memcpy(frame->extended_data[c], block.channel(c), frames * sizeof(float));
        }
        // The filter keeps a reference of its own.
        code = av_buffersrc_add_frame_flags(m_impl->source, frame, AV_BUFFERSRC_FLAG_KEEP_REF);
    }
    av_frame_free(&frame);
    if (code < 0) {
        fail("The tempo filter couldn't take audio", code);
    }
}

void TempoFilter::finish() {
    // Fails only when it was finished already, which changes nothing.
    [[maybe_unused]] const int code = av_buffersrc_add_frame(m_impl->source, nullptr);
}

std::size_t TempoFilter::pull(std::vector<float>& out, std::size_t maximumFrames) {
    Impl& d = *m_impl;
    std::size_t pulled = 0;
    while (pulled < maximumFrames) {
        if (d.pendingOffset >= d.pending->nb_samples) {
            av_frame_unref(d.pending);
            d.pendingOffset = 0;
            if (av_buffersink_get_frame(d.sink, d.pending) < 0) {
                break; // needs more input, or everything came out
            }
        }
        const auto take = std::min<std::size_t>(
            maximumFrames - pulled, std::size_t(d.pending->nb_samples - d.pendingOffset));
        const auto* samples = reinterpret_cast<const float*>(d.pending->data[0]) +
                              std::size_t(d.pendingOffset) * std::size_t(d.channels);
        out.insert(out.end(), samples, samples + take * std::size_t(d.channels));
        d.pendingOffset += int(take);
        pulled += take;
    }
    return pulled;
}

} // namespace bw
