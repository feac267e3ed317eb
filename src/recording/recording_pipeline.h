// Turns every captured buffer into the recording format, appends it to the recording's audio
// file, measures the level for the meter and reports progress, or the first failure, to the
// recorder. Buffers may change format mid-recording (another device, another rate): the old
// converter's tail is written first, so the file stays one continuous recording.
//
// A track of a recording with more than one gets a timeline (track_timeline.h): its audio is
// then placed by the buffers' capture times, so that every track's sample k is the same instant.
//
// receive() runs on the audio thread; setPaused() and finish() on the main thread. One lock
// guards everything; conversion and writing happen under it, so finish() waits for a buffer in
// progress. The callbacks run after the lock is released, on the audio thread.
#pragma once

#include "platform/capture_buffer.h"
#include "recording/audio_format_converter.h"
#include "recording/continuous_audio_writer.h"
#include "recording/track_timeline.h"

#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>

namespace bw {

class RecordingPipeline {
public:
    struct Progress {
        double duration = 0; // seconds of audio in the file
        float level = 0;     // 0...1
    };
    using ProgressCallback = std::function<void(Progress)>;
    using FailureCallback = std::function<void(std::exception_ptr)>;

    // What the timeline of a track measured.
    struct TimelineReport {
        std::optional<double> firstCaptureTime; // monotonic seconds
        double driftPpm = 0;
        bool receivedAudio = false;
    };

    // Creates the audio file. Throws FileError when it cannot be created. With
    // `timelineOrigin` (monotonic seconds) the track is placed on a timeline starting then.
    RecordingPipeline(const std::filesystem::path& url, ProgressCallback onProgress,
                      FailureCallback onFailure,
                      std::optional<double> timelineOrigin = std::nullopt);

    // One captured buffer; never fails to its caller. Dropped while paused, after finish() and
    // after a failure; onFailure is called at most once, onProgress once per accepted buffer.
    void receive(const CaptureBuffer& buffer);
    void setPaused(bool paused);
    // Flushes, closes the file and returns the recording's duration in seconds; safe to call
    // more than once, never fails. A track on a timeline is first filled with silence up to
    // `end` (monotonic seconds), so that every track of the recording ends together.
    double finish(std::optional<double> end = std::nullopt);
    // None for a track without a timeline.
    std::optional<TimelineReport> timelineReport();

    // The meter's level of 16-bit mono audio: its RMS in dB, from -60 to 0, mapped to 0...1.
    static float level(std::span<const std::int16_t> samples);

private:
    AudioFormatConverter& converterFor(const CaptureFormat& format);
    void write(const std::vector<AudioFormatConverter::Block>& blocks);
    void place(std::optional<double> captureTime,
               const std::vector<AudioFormatConverter::Block>& blocks);

    std::mutex m_lock;
    ContinuousAudioWriter m_writer;
    std::optional<AudioFormatConverter> m_converter;
    std::optional<TrackTimeline> m_timeline;
    std::vector<std::int16_t> m_converted, m_placed;
    bool m_isPaused = false;
    bool m_isFinished = false;
    bool m_receivedAudio = false;
    float m_lastLevel = 0;
    std::exception_ptr m_failure;
    ProgressCallback m_onProgress;
    FailureCallback m_onFailure;
};

} // namespace bw
