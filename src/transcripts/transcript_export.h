// What the application hands to the export writers for a library recording and its transcript,
// and how each export format is named to the file chooser.
#pragma once

#include "export/export_format.h"
#include "export/export_language.h"
#include "export/export_transcript.h"
#include "library/library_item.h"
#include "transcription/transcription_language.h"
#include "transcripts/transcript_document.h"

#include <string_view>

namespace bw {

struct TranscriptExport {
    // The item's title and creation date with the document's language and its segments in
    // order, each with its current (edited) text and whether it is still doubtful.
    static ExportTranscript exportTranscript(const LibraryItem& item,
                                             const TranscriptDocument& document);

    static ExportLanguage exportLanguage(TranscriptionLanguage language);

    // The file type a chosen file must have, as a MIME type: "text/plain", the Word document
    // type, or "application/x-subrip" (the desktop's name for SubRip subtitles).
    static std::string_view contentType(ExportFormat format);

    // "Text (.txt)", "Word (.docx)", "Subtitles (.srt)": the export menu's entries.
    static std::string_view menuLabel(ExportFormat format);
};

} // namespace bw
