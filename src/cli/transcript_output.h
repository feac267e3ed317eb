// The forms in which the transcribe command writes a transcript. Each form is one function
// from a Transcript to the file's text; a new form is one more entry in the table.
#pragma once

#include "transcription/transcript.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace bw::cli {

// What the exported documents say about where the transcript came from.
struct TranscriptSource {
    std::string title;                          // the audio file's name without its extension
    std::chrono::system_clock::time_point date; // the audio file's modification time
};

struct TranscriptFormat {
    std::string_view name; // the --format value
    std::string (*render)(const Transcript& transcript, const TranscriptSource& source);
    bool fileOnly = false; // binary: written with --output, never to a terminal
};

// Every form, the default first: "text", "json", and the exported documents "txt", "srt" and
// "docx" (English labels, dates in the system's time zone).
std::span<const TranscriptFormat> transcriptFormats();

// The form named `name`, or null.
const TranscriptFormat* findTranscriptFormat(std::string_view name);

// One line per segment: "[HH:MM:SS.mmm --> HH:MM:SS.mmm] text", the text preceded by the
// speaker's name and ": " when the segment names one ("Me: ..."), followed by
// "  [doubtful: <reasons>]" when the segment has doubts.
std::string renderText(const Transcript& transcript, const TranscriptSource& source = {});
std::string renderTextLine(double start, double end, const std::string& text,
                           const std::vector<SegmentDoubt>& doubts = {},
                           std::optional<Speaker> speaker = std::nullopt);

// What follows the transcript on standard error: "N stretches of speech gave no text" and a
// line feed, or nothing when all the speech gave text.
std::string unrecognizedSpeechLine(std::size_t stretches);

// The transcript's JSON form, indented by two spaces.
std::string renderJson(const Transcript& transcript, const TranscriptSource& source = {});

// Seconds as HH:MM:SS.mmm, rounded to the millisecond; negative or not finite counts as 0.
std::string timestamp(double seconds);

} // namespace bw::cli
