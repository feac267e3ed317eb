#include "export/transcript_exporter.h"

#include <unicode/uchar.h>

#include "base/text_trimming.h"
#include "base/unicode_text.h"
#include "export/formatting.h"
#include "export/plain_text_export.h"
#include "export/sub_rip_export.h"
#include "export/word_export.h"

namespace bw {

namespace {

constexpr std::size_t maximumNameLength = 120; // user-perceived characters
// Linux file systems take at most 255 bytes per name.
constexpr std::size_t maximumNameBytes = 255;

std::vector<std::uint8_t> bytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

bool isForbiddenInFileName(char c) {
    return c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' ||
           c == '>' || c == '|';
}

// Spaces, tabs and the other Unicode space separators.
bool isHorizontalWhitespace(char32_t c) {
    return c == U'\t' || u_charType(UChar32(c)) == U_SPACE_SEPARATOR;
}

} // namespace

std::vector<std::uint8_t> TranscriptExporter::data(const ExportTranscript& transcript,
                                                   ExportFormat format) const {
    switch (format) {
    case ExportFormat::txt:
        return bytes(plainText(transcript));
    case ExportFormat::srt:
        return bytes(subRip(transcript));
    case ExportFormat::docx:
        break;
    }
    return wordDocument(transcript);
}

std::string TranscriptExporter::plainText(const ExportTranscript& transcript) const {
    return PlainTextExport::render(transcript, options);
}

std::string TranscriptExporter::subRip(const ExportTranscript& transcript) const {
    return SubRipExport::render(transcript, options.doubtfulText);
}

std::vector<std::uint8_t>
TranscriptExporter::wordDocument(const ExportTranscript& transcript) const {
    return WordExport::render(transcript, options);
}

std::string TranscriptExporter::suggestedFileName(std::string_view title, ExportFormat format) {
    std::string name = Formatting::singleLine(title);
    for (char& c : name) {
        if (isForbiddenInFileName(c)) {
            c = ' ';
        }
    }
    name = trimScalars(Formatting::singleLine(name),
                       [](char32_t c) { return c == U'.' || c == U' '; });
    if (name.empty()) {
        name = "Transcript";
    }

    const std::string_view extension = fileExtension(format);
    const std::size_t byteBudget = maximumNameBytes - 1 - extension.size();
    std::size_t cut = unicode::graphemePrefixSize(name, maximumNameLength);
    // A name of 120 characters can pass the byte limit (emoji, scripts of three-byte
    // characters); it is cut further, at a character boundary, so that the file can be created.
    for (std::size_t count = maximumNameLength; cut > byteBudget && count > 1;) {
        cut = unicode::graphemePrefixSize(name, --count);
    }
    if (cut < name.size()) {
        name =
            std::string(trimScalars(std::string_view(name).substr(0, cut), isHorizontalWhitespace));
    }
    // A long run of no-break spaces survives the first trim but not the second.
    if (name.empty()) {
        name = "Transcript";
    }

    name += '.';
    name += extension;
    return name;
}

} // namespace bw
