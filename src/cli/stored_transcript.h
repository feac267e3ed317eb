// The saved transcript of a library recording, as the commands that read or change it open it.
#pragma once

#include "cli/library_session.h"
#include "transcripts/transcript_editor_model.h"

#include <memory>

namespace bw::cli {

// The recording's transcript in an editor model. Throws std::runtime_error with the message to
// print when it cannot be opened or the recording has none.
std::unique_ptr<TranscriptEditorModel> openStoredTranscript(LibrarySession& session,
                                                            const Uuid& itemID);

} // namespace bw::cli
