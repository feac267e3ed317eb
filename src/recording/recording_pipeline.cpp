#include "recording/recording_pipeline.h"

#include "platform/monotonic_clock.h"

#include <algorithm>
#include <cmath>
#include <variant>

namespace bw {

namespace {

double secondsOf(std::int64_t frames) {
    return static_cast<double>(frames) / AudioFormatConverter::outputSampleRate;
}

} // namespace

RecordingPipeline::RecordingPipeline(const std::filesystem::path& url, ProgressCallback onProgress,
                                     FailureCallback onFailure,
                                     std::optional<double> timelineOrigin)
    : m_writer(url), m_onProgress(std::move(onProgress)), m_onFailure(std::move(onFailure)) {
    if (timelineOrigin) {
        m_timeline.emplace(*timelineOrigin);
    }
}

float RecordingPipeline::level(std::span<const std::int16_t> samples) {
    float decibels = -60;
    if (!samples.empty()) {
        double sum = 0;
        for (std::int16_t sample : samples) {
            const double value = sample / 32767.0;
            sum += value * value;
        }
        const double mean = sum / static_cast<double>(samples.size());
        if (mean > 0) {
            decibels = static_cast<float>(20 * std::log10(std::sqrt(mean)));
            if (std::isnan(decibels) || decibels < -60) {
                decibels = -60;
            }
        }
    }
    if (!std::isfinite(decibels)) {
        return 0;
    }
    return std::clamp((decibels + 60) / 60, 0.0f, 1.0f);
}

AudioFormatConverter& RecordingPipeline::converterFor(const CaptureFormat& format) {
    if (m_converter && m_converter->inputFormat() == format) {
        return *m_converter;
    }
    if (m_converter) {
        // The device's format changed: its tail belongs before the new format's first frames.
        std::vector<AudioFormatConverter::Block> tail;
        try {
            tail = m_converter->drain(nullptr, true);
        } catch (const std::exception&) {
        }
        m_converter.reset();
        write(tail);
    }
    m_converter.emplace(format);
    return *m_converter;
}

void RecordingPipeline::write(const std::vector<AudioFormatConverter::Block>& blocks) {
    for (const auto& block : blocks) {
        m_writer.write(block);
        m_lastLevel = level(block);
    }
}

// The converter's output for one buffer goes onto the timeline as one piece, stamped with the
// buffer's capture time (the converter's short, constant delay aside).
void RecordingPipeline::place(std::optional<double> captureTime,
                              const std::vector<AudioFormatConverter::Block>& blocks) {
    m_converted.clear();
    for (const auto& block : blocks) {
        m_converted.insert(m_converted.end(), block.begin(), block.end());
    }
    m_placed.clear();
    m_timeline->append(captureTime, m_converted, m_placed);
    m_writer.write(m_placed);
    if (!m_converted.empty()) {
        m_lastLevel = level(m_converted);
        m_receivedAudio = true;
    }
}

void RecordingPipeline::receive(const CaptureBuffer& buffer) {
    std::variant<std::monostate, Progress, std::exception_ptr> result;
    {
        std::lock_guard held(m_lock);
        if (m_isPaused || m_isFinished || m_failure) {
            return;
        }
        try {
            auto& converter = converterFor(buffer.format);
            if (m_timeline) {
                place(buffer.captureTime, converter.drain(&buffer, false));
            } else {
                write(converter.drain(&buffer, false));
            }
            result = Progress{secondsOf(m_writer.framesWritten()), m_lastLevel};
        } catch (...) {
            m_failure = std::current_exception();
            result = m_failure;
        }
    }
    if (auto* progress = std::get_if<Progress>(&result); progress && m_onProgress) {
        m_onProgress(*progress);
    } else if (auto* failure = std::get_if<std::exception_ptr>(&result); failure && m_onFailure) {
        m_onFailure(*failure);
    }
}

void RecordingPipeline::setPaused(bool paused) {
    std::lock_guard held(m_lock);
    if (m_timeline && paused != m_isPaused) {
        paused ? m_timeline->pause(monotonicSeconds()) : m_timeline->resume(monotonicSeconds());
    }
    m_isPaused = paused;
}

double RecordingPipeline::finish(std::optional<double> end) {
    std::lock_guard held(m_lock);
    if (!m_isFinished) {
        m_isFinished = true;
        if (!m_failure) {
            try {
                if (m_converter && m_timeline) {
                    place(std::nullopt, m_converter->drain(nullptr, true));
                } else if (m_converter) {
                    write(m_converter->drain(nullptr, true));
                }
                if (m_timeline && end) {
                    m_placed.clear();
                    m_timeline->extendTo(*end, m_placed);
                    m_writer.write(m_placed);
                }
            } catch (const std::exception&) {
                // What could not be flushed is a few milliseconds; the rest is kept.
            }
        }
        m_writer.close();
    }
    return secondsOf(m_writer.framesWritten());
}

std::optional<RecordingPipeline::TimelineReport> RecordingPipeline::timelineReport() {
    std::lock_guard held(m_lock);
    if (!m_timeline) {
        return std::nullopt;
    }
    return TimelineReport{m_timeline->firstCaptureTime(), m_timeline->driftPpm(), m_receivedAudio};
}

} // namespace bw
