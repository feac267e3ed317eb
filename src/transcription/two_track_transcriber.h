// Transcribes a recording of two sample-aligned tracks, the microphone ("Me") and this
// computer's sound ("Others"), as one job of two passes through one engine: this computer's
// sound first, then the microphone. Before its pass the microphone's track is cleaned of the
// loudspeaker's echo (see EchoCanceller) into a temporary file; segments that still repeat the
// other side's words at the same time (see EchoDetector) are dropped from the live reports, the
// work kept and the result, and so is speech without text on the microphone's track while the
// other side spoke. Progress runs once from 0 to the sum of the two durations; every report's
// segments carry their speaker.
//
// The work reported at the end of every chunk (and once between the passes) covers both passes:
// its position counts the seconds of both tracks dealt with, this computer's sound first. Given
// back as `resumeFrom`, the job carries on from there in the pass it had reached.
#pragma once

#include "transcription/echo_detector.h"
#include "transcription/transcription_engine.h"

#include <filesystem>
#include <stop_token>

namespace bw {

class TwoTrackTranscriber {
public:
    struct Track {
        std::filesystem::path file;
        double duration = 0; // seconds, as measured before the job

        Track() = default;
        Track(std::filesystem::path file, double duration)
            : file(std::move(file)), duration(duration) {}
    };

    struct Options {
        // Off: the microphone's track is recognised as recorded, its echoes found by their
        // words alone.
        bool cancelEcho = true;
        EchoDetector echoes;

        Options() = default;
        Options(bool cancelEcho, EchoDetector echoes = EchoDetector())
            : cancelEcho(cancelEcho), echoes(echoes) {}
    };

    explicit TwoTrackTranscriber(TranscriptionEngine& engine) : m_engine(engine) {}
    TwoTrackTranscriber(TranscriptionEngine& engine, Options options)
        : m_engine(engine), m_options(options) {}

    // Blocks the calling thread as TranscriptionEngine::transcribe does and throws as it does.
    // The transcript's segments are ordered by start time, "Me" before "Others" at the same
    // start; its audio duration is the longer track's. When the echo cannot be cancelled (a
    // temporary file cannot be written), the microphone's track is recognised as recorded.
    Transcript transcribe(const Track& microphone, const Track& system,
                          const TranscriptionOptions& options, const ProgressHandler& progress,
                          std::stop_token stop) const;

private:
    TranscriptionEngine& m_engine;
    Options m_options;
};

} // namespace bw
