// The plain-text export: a short header (title, date, language) and one time-stamped paragraph
// per segment, LF line endings, ending in exactly one line break. Cannot fail.
#pragma once

#include <string>

#include "export/export_options.h"
#include "export/export_transcript.h"

namespace bw::PlainTextExport {

// The whole text file, UTF-8 without a byte-order mark.
std::string render(const ExportTranscript& transcript, const ExportOptions& options);

} // namespace bw::PlainTextExport
