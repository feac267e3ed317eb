#include "export/plain_text_export.h"

#include "export/clean_segment.h"
#include "export/formatting.h"

namespace bw::PlainTextExport {

std::string render(const ExportTranscript& transcript, const ExportOptions& options) {
    std::string out;
    const std::string title = Formatting::singleLine(transcript.title);
    if (!title.empty()) {
        out += title + '\n';
    }
    out += options.labels.date + ": " + Formatting::headerDate(transcript.date, options.timeZone) +
           '\n';
    out += options.labels.language + ": " + Formatting::singleLine(transcript.language.name) + '\n';
    out += '\n';
    for (const CleanSegment& segment :
         CleanSegment::from(transcript.segments, options.doubtfulText)) {
        const std::string prefix = "[" + Formatting::clock(segment.start) + "] ";
        const std::string speaker = segment.speaker.empty() ? "" : segment.speaker + ": ";
        // Continuation lines start in the column after the time; the prefix is ASCII, so its
        // character count is its byte count.
        const std::string indent(prefix.size(), ' ');
        for (std::size_t i = 0; i < segment.lines.size(); ++i) {
            out += i == 0 ? prefix + speaker : indent;
            out += segment.lines[i];
            out += '\n';
        }
    }
    return out;
}

} // namespace bw::PlainTextExport
