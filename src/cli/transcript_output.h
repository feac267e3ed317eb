// The forms in which the transcribe command writes a transcript. Each form is one function
// from a Transcript to the file's text; a new form is one more entry in the table.
#pragma once

#include "transcription/transcript.h"

#include <span>
#include <string>
#include <string_view>

namespace bw::cli {

struct TranscriptFormat {
    std::string_view name; // the --format value
    std::string (*render)(const Transcript& transcript);
};

// Every form, the default first.
std::span<const TranscriptFormat> transcriptFormats();

// The form named `name`, or null.
const TranscriptFormat* findTranscriptFormat(std::string_view name);

// One line per segment: "[HH:MM:SS.mmm --> HH:MM:SS.mmm] text".
std::string renderText(const Transcript& transcript);
std::string renderTextLine(double start, double end, const std::string& text);

// The transcript's JSON form, indented by two spaces.
std::string renderJson(const Transcript& transcript);

// Seconds as HH:MM:SS.mmm, rounded to the millisecond; negative or not finite counts as 0.
std::string timestamp(double seconds);

} // namespace bw::cli
