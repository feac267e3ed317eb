// The export command: makes the file's bytes from a recording and its transcript, asks the
// save panel where they should go, writes them there atomically (whole or not at all, an
// existing file replaced), and hands any failure to the caller as a message ready to show.
// Dates are written in the system's time zone at the moment of export, with English labels;
// doubtful segments are kept, marked or left out as the panel was made to.
#pragma once

#include "export/doubtful_text.h"
#include "export/export_format.h"
#include "library/library_item.h"
#include "transcripts/save_panel.h"
#include "transcripts/transcript_document.h"

#include <functional>
#include <string>

namespace bw {

class ExportPanel {
public:
    using ErrorHandler = std::function<void(const std::string& message)>;

    // `panel` is not owned and must outlive the answers it gives.
    explicit ExportPanel(SavePanel& panel, DoubtfulText doubtful = DoubtfulText::keep)
        : m_panel(panel), m_doubtful(doubtful) {}

    // Returns at once; the file is written when the panel answers. The bytes are made before
    // the panel is asked: when that fails, `onError` is called and nothing is asked. Cancelling
    // the panel writes nothing and reports nothing. Runs and calls back on the calling thread.
    void save(const LibraryItem& item, const TranscriptDocument& document, ExportFormat format,
              ErrorHandler onError);

private:
    SavePanel& m_panel;
    DoubtfulText m_doubtful;
};

} // namespace bw
