#include "transcripts/transcript_export.h"

namespace bw {

ExportTranscript TranscriptExport::exportTranscript(const LibraryItem& item,
                                                    const TranscriptDocument& document) {
    ExportTranscript transcript;
    transcript.title = item.title;
    transcript.date = item.createdAt;
    transcript.language = exportLanguage(document.language);
    for (const auto& segment : document.segments) {
        transcript.segments.emplace_back(
            segment.start, segment.end, segment.text, segment.isDoubtful(),
            segment.speaker ? std::string(displayName(*segment.speaker)) : std::string());
    }
    return transcript;
}

ExportLanguage TranscriptExport::exportLanguage(TranscriptionLanguage language) {
    switch (language) {
    case TranscriptionLanguage::slovak:
        return ExportLanguage::slovak();
    case TranscriptionLanguage::czech:
        return ExportLanguage::czech();
    case TranscriptionLanguage::german:
        return ExportLanguage::german();
    case TranscriptionLanguage::english:
        return ExportLanguage::english();
    }
    return ExportLanguage::english();
}

std::string_view TranscriptExport::contentType(ExportFormat format) {
    switch (format) {
    case ExportFormat::txt:
        return "text/plain";
    case ExportFormat::docx:
        return "application/vnd.openxmlformats-officedocument.wordprocessingml.document";
    case ExportFormat::srt:
        return "application/x-subrip";
    }
    return "application/octet-stream";
}

std::string_view TranscriptExport::menuLabel(ExportFormat format) {
    switch (format) {
    case ExportFormat::txt:
        return "Text (.txt)";
    case ExportFormat::docx:
        return "Word (.docx)";
    case ExportFormat::srt:
        return "Subtitles (.srt)";
    }
    return "";
}

} // namespace bw
