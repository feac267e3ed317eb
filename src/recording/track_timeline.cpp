#include "recording/track_timeline.h"

#include <cmath>

namespace bw {

namespace {

// How much of each capture time's deviation the estimate takes on: about a second's memory at
// the usual buffer sizes, enough to even out the server's jitter and to follow a slow drift.
constexpr double smoothing = 0.1;

} // namespace

double TrackTimeline::Stretch::span() const {
    return count > 1 ? lastN - firstN : 0;
}

TrackTimeline::TrackTimeline(double origin, TimelineOptions options)
    : m_origin(origin), m_options(options) {}

void TrackTimeline::observe(double n, double t) {
    if (m_stretch.count == 0) {
        m_stretch.firstN = n;
    }
    m_stretch.lastN = n;
    m_stretch.count += 1;
    const double dn = n - m_stretch.meanN;
    m_stretch.meanN += dn / m_stretch.count;
    m_stretch.meanT += (t - m_stretch.meanT) / m_stretch.count;
    m_stretch.sxx += dn * (n - m_stretch.meanN);
    m_stretch.sxy += dn * (t - m_stretch.meanT);
}

void TrackTimeline::closeStretch() {
    m_closedSxx += m_stretch.sxx;
    m_closedSxy += m_stretch.sxy;
    m_closedSpan += m_stretch.span();
    m_stretch = Stretch();
}

double TrackTimeline::driftPpm() const {
    const double sxx = m_closedSxx + m_stretch.sxx;
    const double sxy = m_closedSxy + m_stretch.sxy;
    const double span = (m_closedSpan + m_stretch.span()) / m_options.sampleRate;
    if (span < m_options.trustDriftAfter || sxx <= 0 || sxy <= 0) {
        return 0;
    }
    // The fitted seconds per sample against the nominal 1 / rate.
    return (1 / (m_options.sampleRate * (sxy / sxx)) - 1) * 1e6;
}

double TrackTimeline::secondsPerSample() const {
    return 1 / (m_options.sampleRate * (1 + driftPpm() * 1e-6));
}

void TrackTimeline::append(std::optional<double> captureTime, std::span<const std::int16_t> samples,
                           std::vector<std::int16_t>& out) {
    if (samples.empty()) {
        return;
    }
    const double rate = m_options.sampleRate;
    if (captureTime) {
        if (!m_firstCaptureTime) {
            m_firstCaptureTime = captureTime;
        }
        if (!m_predicted || std::abs(*captureTime - *m_predicted) > m_options.discontinuity) {
            closeStretch();
            m_predicted = captureTime;
        } else {
            *m_predicted += smoothing * (*captureTime - *m_predicted);
        }
        observe(m_delivered, *captureTime);
    }
    const double time =
        m_predicted ? *m_predicted : m_origin + m_paused + double(m_position) / rate;
    const double behind = (time - m_origin - m_paused) * rate - double(m_position);
    if (behind > m_options.tolerance * rate) {
        addSilence(std::llround(behind), out);
    } else if (behind < -m_options.tolerance * rate) {
        // Ahead of the clock: skip what lies before this buffer's place on the timeline.
        m_phase -= behind;
        m_samplesDropped += std::llround(-behind);
    }
    const double drift = driftPpm();
    m_correctedPpm = std::abs(drift) > m_options.resampleAbovePpm ? drift : 0;
    resampleInto(samples, out);
    m_delivered += double(samples.size());
    if (m_predicted) {
        *m_predicted += double(samples.size()) * secondsPerSample();
    }
}

// Linear interpolation between neighbouring samples: the ratio stays within a few hundred parts
// per million of 1, so the stretch is inaudible and speech keeps its spectrum.
void TrackTimeline::resampleInto(std::span<const std::int16_t> samples,
                                 std::vector<std::int16_t>& out) {
    const double step = 1 + m_correctedPpm * 1e-6; // input samples per output sample
    const double size = double(samples.size());
    auto at = [&](std::size_t i) -> double { return i == 0 ? m_previous : samples[i - 1]; };
    // At a whole position the sample itself, so that a ratio of 1 copies the samples as they are.
    while (m_phase <= size) {
        const auto i = static_cast<std::size_t>(m_phase);
        const double fraction = m_phase - double(i);
        const double a = at(i);
        const double value = fraction == 0 ? a : a + fraction * (at(i + 1) - a);
        out.push_back(static_cast<std::int16_t>(std::lround(value)));
        ++m_position;
        m_phase += step;
    }
    m_phase -= size;
    m_previous = samples.back();
}

void TrackTimeline::addSilence(std::int64_t count, std::vector<std::int16_t>& out) {
    if (count <= 0) {
        return;
    }
    out.insert(out.end(), std::size_t(count), 0);
    m_position += count;
    m_silenceInserted += count;
}

void TrackTimeline::extendTo(double time, std::vector<std::int16_t>& out) {
    const double target = (time - m_origin - m_paused) * m_options.sampleRate;
    addSilence(std::llround(target) - m_position, out);
}

void TrackTimeline::pause(double at) {
    if (!m_pausedAt) {
        m_pausedAt = at;
    }
}

void TrackTimeline::resume(double at) {
    if (m_pausedAt) {
        m_paused += at - *m_pausedAt;
        m_pausedAt.reset();
        // The stream starts again: its capture times jump by the pause.
        closeStretch();
        m_predicted.reset();
    }
}

} // namespace bw
