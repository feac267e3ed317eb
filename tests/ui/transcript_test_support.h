// Transcripts for the tests of the transcript views, saved for a recording of the test library
// as a finished transcription saves them.
#pragma once

#include "app/app_model.h"
#include "transcripts/transcript_store.h"

#include <QString>

#include <chrono>
#include <ostream>
#include <vector>

// Texts in failure messages as text rather than UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace bw::test {

inline void saveTranscript(AppModel& app, const Uuid& itemID,
                           const std::vector<TranscriptSegment>& segments,
                           TranscriptionLanguage language = TranscriptionLanguage::english,
                           const std::vector<SpeechRegion>& unrecognizedSpeech = {}) {
    Transcript transcript;
    transcript.language = language;
    transcript.segments = segments;
    transcript.unrecognizedSpeech = unrecognizedSpeech;
    TranscriptStore(app.library().store())
        .save(TranscriptDocument(transcript, std::chrono::system_clock::now()), itemID);
}

} // namespace bw::test
