#include "cli/stored_transcript.h"

#include "library/support_texts.h"

#include <stdexcept>

namespace bw::cli {

std::unique_ptr<TranscriptEditorModel> openStoredTranscript(LibrarySession& session,
                                                            const Uuid& itemID) {
    std::unique_ptr<TranscriptEditorModel> editor;
    try {
        editor = TranscriptEditorModel::load(itemID, TranscriptStore(session.model().store()));
    } catch (const std::exception& error) {
        throw std::runtime_error("The transcript couldn't be opened." + detail(error));
    }
    if (!editor) {
        throw std::runtime_error("This recording has no transcript yet. Transcribe it with "
                                 "\"brindlewick library transcribe\".");
    }
    return editor;
}

} // namespace bw::cli
