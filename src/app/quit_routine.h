// What has to end cleanly before the process does, and the one routine that ends it: a
// recording in progress is finished into the library (its file closed, the item complete),
// playback stops, a transcript's unsaved edits are saved, and a running transcription is
// interrupted (its finished chunks kept for a later resume) and its engine shut down, waiting
// at most engineShutdownSeconds for it to let go of its model. Nothing is left half-written:
// every file is replaced whole or not at all.
//
// The application model quits through it with the models it owns; each command through one
// over the models it made, when Ctrl-C or SIGTERM arrives and again as it ends. Any model may
// be missing. Main thread only; running it again does nothing new.
#pragma once

namespace bw {

class PlaybackModel;
class RecorderModel;
class TranscriptEditorModel;
class TranscriptionService;

struct QuitRoutine {
    static constexpr double engineShutdownSeconds = 3.0;

    RecorderModel* recorder = nullptr;
    PlaybackModel* player = nullptr;
    TranscriptEditorModel* editor = nullptr;
    TranscriptionService* transcription = nullptr;

    // Blocks for as long as the engine takes to shut down (at most engineShutdownSeconds).
    // A save that fails leaves its message in the editor's saveError.
    void run() const;
};

} // namespace bw
