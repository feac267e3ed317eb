#include "app/quit_routine.h"

#include "library/playback_model.h"
#include "recording/recorder_model.h"
#include "service/transcription_service.h"
#include "transcripts/transcript_editor_model.h"

namespace bw {

void QuitRoutine::run() const {
    // The recording first: its audio is what nothing else could bring back.
    if (recorder) {
        recorder->stop();
    }
    if (player && player->isPlaying()) {
        player->togglePlayback();
    }
    if (editor) {
        editor->saveNow();
    }
    // Last, since it may wait for the engine.
    if (transcription) {
        transcription->interrupt();
        if (const auto& engine = transcription->engine()) {
            engine->shutdown(engineShutdownSeconds);
        }
    }
}

} // namespace bw
