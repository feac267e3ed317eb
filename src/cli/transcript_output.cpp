#include "cli/transcript_output.h"

#include "export/formatting.h"
#include "export/transcript_exporter.h"
#include "transcription/transcript_json.h"
#include "transcripts/transcript_export.h"
#include "transcripts/unrecognized_speech_note.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace bw::cli {

namespace {

std::string exported(const Transcript& transcript, const TranscriptSource& source,
                     ExportFormat format) {
    ExportTranscript document;
    document.title = source.title;
    document.date = std::chrono::floor<std::chrono::seconds>(source.date);
    document.language = TranscriptExport::exportLanguage(transcript.language);
    for (const auto& segment : transcript.segments) {
        document.segments.emplace_back(
            segment.start, segment.end, segment.text, !segment.doubts.empty(),
            segment.speaker ? std::string(displayName(*segment.speaker)) : std::string());
    }
    TranscriptExporter exporter({TimeZone::current(), ExportLabels::english()});
    auto bytes = exporter.data(document, format);
    return {bytes.begin(), bytes.end()};
}

template <ExportFormat format>
std::string renderExport(const Transcript& transcript, const TranscriptSource& source) {
    return exported(transcript, source, format);
}

constexpr std::array formats = {
    TranscriptFormat{"text", renderText},
    TranscriptFormat{"json", renderJson},
    TranscriptFormat{"txt", renderExport<ExportFormat::txt>},
    TranscriptFormat{"srt", renderExport<ExportFormat::srt>},
    TranscriptFormat{"docx", renderExport<ExportFormat::docx>, true},
};

} // namespace

std::span<const TranscriptFormat> transcriptFormats() {
    return formats;
}

const TranscriptFormat* findTranscriptFormat(std::string_view name) {
    for (const auto& format : formats) {
        if (format.name == name) {
            return &format;
        }
    }
    return nullptr;
}

std::string timestamp(double seconds) {
    // Saturates where the count would overflow, instead of wrapping to a negative time.
    const long long milliseconds = Formatting::milliseconds(seconds);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld.%03lld", milliseconds / 3600000,
                  milliseconds / 60000 % 60, milliseconds / 1000 % 60, milliseconds % 1000);
    return text;
}

std::string renderTextLine(double start, double end, const std::string& text,
                           const std::vector<SegmentDoubt>& doubts,
                           std::optional<Speaker> speaker) {
    std::string line = "[" + timestamp(start) + " --> " + timestamp(end) + "] " +
                       (speaker ? std::string(displayName(*speaker)) + ": " : "") + text;
    if (!doubts.empty()) {
        line += "  [doubtful: " + describe(doubts) + "]";
    }
    return line;
}

std::string unrecognizedSpeechLine(std::size_t stretches) {
    const std::string note = unrecognizedSpeechNote(stretches);
    return note.empty() ? note : note + "\n";
}

std::string renderText(const Transcript& transcript, const TranscriptSource&) {
    std::string text;
    for (const auto& segment : transcript.segments) {
        text += renderTextLine(segment.start, segment.end, segment.text, segment.doubts,
                               segment.speaker) +
                "\n";
    }
    return text;
}

std::string renderJson(const Transcript& transcript, const TranscriptSource&) {
    return toJson(transcript).dump(2) + "\n";
}

} // namespace bw::cli
