// The export module's front end: holds the options, turns a transcript into the bytes of a
// .txt, .srt or .docx file, and proposes a file name that is safe to save under.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/export_format.h"
#include "export/export_options.h"
#include "export/export_transcript.h"

namespace bw {

class TranscriptExporter {
public:
    explicit TranscriptExporter(ExportOptions options) : options(std::move(options)) {}

    ExportOptions options;

    // The file's bytes: UTF-8 without a byte-order mark for the text formats, which cannot
    // fail; the .docx package otherwise, which throws ExportError::documentTooLarge.
    std::vector<std::uint8_t> data(const ExportTranscript& transcript, ExportFormat format) const;

    std::string plainText(const ExportTranscript& transcript) const;
    std::string subRip(const ExportTranscript& transcript) const;
    std::vector<std::uint8_t> wordDocument(const ExportTranscript& transcript) const;

    // The title on one line without the characters file systems reject (/ \ : * ? " < > |),
    // without leading or trailing full stops and spaces, at most 120 user-perceived characters,
    // "Transcript" when nothing is left, followed by "." and the format's extension.
    static std::string suggestedFileName(std::string_view title, ExportFormat format);
};

} // namespace bw
