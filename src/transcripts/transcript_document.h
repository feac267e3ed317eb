// The stored, editable form of a finished transcription: the engine's transcript plus the time
// it was made, each segment keeping both the text the user may edit and the engine's own text.
#pragma once

#include "transcription/transcript.h"
#include "transcription/transcription_language.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bw {

struct TranscriptDocument {
    struct Segment {
        std::int64_t id = 0; // position in the engine's transcript; stable for the document's life
        double start = 0;    // seconds in the recording
        double end = 0;
        std::string text;         // current text, edited by the user
        std::string originalText; // as the engine produced it; never changes
        // Why the engine's text may be wrong; they no longer count once the user has edited it.
        std::vector<SegmentDoubt> doubts;
        std::optional<Speaker> speaker; // of a two-track recording; never edited

        Segment() = default;
        Segment(std::int64_t id, double start, double end, std::string text,
                std::string originalText, std::vector<SegmentDoubt> doubts = {},
                std::optional<Speaker> speaker = std::nullopt)
            : id(id), start(start), end(end), text(std::move(text)),
              originalText(std::move(originalText)), doubts(std::move(doubts)), speaker(speaker) {}

        bool isEdited() const { return text != originalText; }
        bool isDoubtful() const { return !doubts.empty() && !isEdited(); }

        bool operator==(const Segment&) const = default;
    };

    TranscriptionLanguage language = TranscriptionLanguage::slovak;
    std::string engine; // e.g. "whisper.cpp 1.9.1"
    std::string model;  // e.g. "large-v3-q5_0"
    double audioDuration = 0;
    std::chrono::sys_seconds transcribedAt{}; // whole seconds, so it survives the file unchanged
    std::vector<Segment> segments;            // in time order; never added to or reordered
    // Speech, in seconds of the recording, that the engine gave no text for.
    std::vector<SpeechRegion> unrecognizedSpeech;

    // The segment with this id, or null. Ids are positions in documents this program made,
    // but a file may carry any (unique) ids.
    Segment* segment(std::int64_t id);
    const Segment* segment(std::int64_t id) const;
    // Whether segments name their speakers: the transcript of a two-track recording.
    bool hasSpeakers() const;

    // The empty document: Slovak, no engine or model, no audio, made at the 1970 epoch.
    TranscriptDocument() = default;

    // Segment i gets id i and the segment's text trimmed of white space at both ends as both
    // its text and original text; the date is rounded down to a whole second.
    TranscriptDocument(const Transcript& transcript,
                       std::chrono::system_clock::time_point transcribedAt);

    static const TranscriptDocument empty;

    bool operator==(const TranscriptDocument&) const = default;
};

} // namespace bw
