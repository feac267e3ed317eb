// Places one track of a multi-track recording on the recording's timeline: sample k of every
// track is the instant `origin` + k / sampleRate on the monotonic clock. Each buffer comes with
// the monotonic time its first frame was captured; the track advances by that clock, not by the
// amount of data: a gap in delivery becomes silence, data that runs ahead of the clock is
// dropped, and when the source's own clock drifts from the monotonic one by more than
// `resampleAbovePpm` the track is resampled to follow the clock.
//
// Capture times jitter by a few milliseconds, so the timeline follows a smoothed estimate of
// them; the drift is the slope of capture time against data, fitted over every stretch of
// uninterrupted delivery. Pure computation, no sound server: one caller at a time.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace bw {

struct TimelineOptions {
    TimelineOptions() {}

    int sampleRate = 16000;
    // A capture time this far from the smoothed estimate starts a new stretch (a stall or a
    // restart of the stream), which the timeline follows at once.
    double discontinuity = 0.030;
    // How far (seconds) the track may stray from the clock before silence or a cut puts it back.
    double tolerance = 0.008;
    double resampleAbovePpm = 50;
    // Seconds of uninterrupted delivery before a drift estimate is trusted.
    double trustDriftAfter = 60;
};

class TrackTimeline {
public:
    explicit TrackTimeline(double origin, TimelineOptions options = {});

    // Appends the samples whose first was captured at `captureTime` (monotonic seconds; none when
    // the source could not tell, then they follow the previous ones) and adds to `out` what the
    // track gets: silence for a gap, then the samples, resampled when the drift calls for it.
    void append(std::optional<double> captureTime, std::span<const std::int16_t> samples,
                std::vector<std::int16_t>& out);
    // Adds silence to `out` until the track reaches `time` (e.g. the end of the recording).
    void extendTo(double time, std::vector<std::int16_t>& out);
    // The time between pause(at) and resume(at) is left out of the timeline.
    void pause(double at);
    void resume(double at);

    // Samples on the track so far.
    std::int64_t position() const { return m_position; }
    // The source's clock against the monotonic clock, in parts per million (positive: the source
    // delivers more samples per second than its nominal rate); 0 until trusted.
    double driftPpm() const;
    // The drift the resampling currently corrects (0 when it is off).
    double correctedPpm() const { return m_correctedPpm; }
    std::optional<double> firstCaptureTime() const { return m_firstCaptureTime; }
    std::int64_t silenceInserted() const { return m_silenceInserted; }
    std::int64_t samplesDropped() const { return m_samplesDropped; }

private:
    struct Stretch {
        double count = 0;
        double firstN = 0;
        double lastN = 0;
        double meanN = 0;
        double meanT = 0;
        double sxx = 0;
        double sxy = 0;
        double span() const;
    };

    void observe(double n, double t);
    void closeStretch();
    double secondsPerSample() const;
    void resampleInto(std::span<const std::int16_t> samples, std::vector<std::int16_t>& out);
    void addSilence(std::int64_t count, std::vector<std::int16_t>& out);

    double m_origin;
    TimelineOptions m_options;
    double m_paused = 0; // seconds left out by pauses
    std::optional<double> m_pausedAt;
    std::optional<double> m_predicted; // smoothed capture time of the next input sample
    double m_delivered = 0;            // input samples so far
    Stretch m_stretch;
    double m_closedSxx = 0, m_closedSxy = 0, m_closedSpan = 0;
    std::int64_t m_position = 0;
    double m_correctedPpm = 0;
    // Where the next output sample lies in the input: 0 is the previous buffer's last sample, 1
    // the current buffer's first.
    double m_phase = 1;
    std::int16_t m_previous = 0;
    std::optional<double> m_firstCaptureTime;
    std::int64_t m_silenceInserted = 0;
    std::int64_t m_samplesDropped = 0;
};

} // namespace bw
