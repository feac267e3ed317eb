// The work a transcription job has finished so far, kept beside the recording so that a job
// stopped by quitting (or by a killed process) carries on from its last finished chunk instead
// of starting again. It records what the work depends on, its basis, and is carried on from only
// by a job with the same basis: the same engine and model, options and audio.
#pragma once

#include "transcription/partial_transcript.h"
#include "transcription/transcription_engine.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace bw {

struct TranscriptionCheckpoint {
    struct Basis {
        std::string engine;
        std::string model;
        nlohmann::json options; // the transcription options but resumeFrom, as JSON
        std::string audioFileName;
        std::uintmax_t audioFileSize = 0;
        // This computer's sound of a two-track recording; empty for one track.
        std::string systemAudioFileName;
        std::uintmax_t systemAudioFileSize = 0;
        // Seconds, as measured when the job started: of both tracks together for two.
        double audioDuration = 0;

        // The basis of a job of `engine` with `options` over `audioFile`, and `systemAudioFile`
        // when the recording has two tracks, of `audioDuration` seconds in all; a file whose
        // size cannot be read counts as empty.
        static Basis of(const TranscriptionEngine& engine, const TranscriptionOptions& options,
                        const std::filesystem::path& audioFile, double audioDuration,
                        const std::optional<std::filesystem::path>& systemAudioFile = {});

        bool operator==(const Basis&) const = default;
    };

    Basis basis;
    PartialTranscript work;
    // Quitting stopped the job: the application carries it on when it next starts.
    bool interrupted = false;

    // Whether a job over `current` may carry on from this work: the bases are the same and the
    // work ends past the recording's beginning and before its end.
    bool resumes(const Basis& current) const;
    // The language the job transcribed in; nothing when the options name none this version knows.
    std::optional<TranscriptionLanguage> language() const;

    bool operator==(const TranscriptionCheckpoint&) const = default;
};

// The checkpoint file's content, with its version. Reading throws JsonDecodingError for a
// damaged file and for one of a later version.
nlohmann::json toJson(const TranscriptionCheckpoint& checkpoint);
TranscriptionCheckpoint transcriptionCheckpointFromJson(const nlohmann::json& root);

} // namespace bw
