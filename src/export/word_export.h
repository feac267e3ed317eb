// The Word export: a minimal WordprocessingML document (.docx, transitional) of seven XML parts
// packed with ZipArchive. A title paragraph, two grey detail paragraphs (date and language), an
// empty paragraph, then one paragraph per segment: a grey [HH:MM:SS] timestamp, a tab and the
// segment's lines, with a hanging indent. Styles, page and fonts are fixed; the same input
// always gives the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "export/export_language.h"
#include "export/export_options.h"
#include "export/export_transcript.h"

namespace bw::WordExport {

// The .docx bytes. Throws ExportError::documentTooLarge when the ZIP container cannot hold the
// parts; nothing partial is returned.
std::vector<std::uint8_t> render(const ExportTranscript& transcript, const ExportOptions& options);

// The seven (part name, XML) pairs, in archive order.
std::vector<std::pair<std::string, std::string>> parts(const ExportTranscript& transcript,
                                                       const ExportOptions& options);

// word/document.xml, word/styles.xml and docProps/core.xml.
std::string document(const ExportTranscript& transcript, const ExportOptions& options);
std::string styles(const ExportLanguage& language);
std::string coreProperties(const ExportTranscript& transcript);

// word/settings.xml, and the tab stop and hanging indent every segment paragraph repeats.
// Both are built once, on first use, safely from any thread.
const std::string& settings();
const std::string& segmentLayout();

// &, <, >, " and ' as entity references; everything else, non-ASCII included, unchanged.
std::string escape(std::string_view text);

} // namespace bw::WordExport
