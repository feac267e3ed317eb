// The transcription core's engine: transcribes an audio file of any length with a speech
// recognizer and, optionally, a voice activity detector. It streams the file through a bounded
// buffer, cuts it into chunks at pauses near the target length, lays each chunk's speech end to
// end in blocks that fit one recognizer call, maps the recognized text back to the recording's
// time line and reports progress with the finished segments after every chunk.
//
// One transcription runs at a time: a second transcribe() while one runs throws
// TranscriptionError::busy() at once. engineName(), modelName() and shutdown() may be called
// from any thread at any time.
#pragma once

#include "transcription/speech_recognizer.h"
#include "transcription/transcription_engine.h"
#include "transcription/voice_activity_detector.h"

#include <memory>
#include <mutex>
#include <optional>

namespace bw {

class ChunkedTranscriber : public TranscriptionEngine {
public:
    static constexpr double pauseBetweenSpeech = 0.2; // silence laid between speech pieces
    static constexpr double splitPause = 1.5;         // a hidden pause this long splits a segment
    static constexpr std::size_t promptLength = 200;  // characters of preceding text
    // Speech a recognition did not reach is packed again with what follows when at least this
    // many seconds of it are left; speech it reached but gave no word for is recognized again
    // on its own when it lasts at least this long.
    static constexpr double minimumUnreached = 0.5;
    static constexpr double minimumUnheard = 1.0;
    // A block whose text loops is recognized again with sampling from this temperature.
    static constexpr double retryTemperature = 0.4;

    // Owns both for its life; the detector may be absent.
    explicit ChunkedTranscriber(std::unique_ptr<SpeechRecognizer> recognizer,
                                std::unique_ptr<VoiceActivityDetector> voiceActivityDetector = {});

    std::string engineName() const override { return m_engineName; }
    std::string modelName() const override { return m_modelName; }

    // Prepares the recognizer (loads its model). Blocks; throws what the recognizer throws.
    void prepare(std::stop_token stop = {});

    // Blocks the calling worker thread. The first report has phase loadingModel, the last of a
    // successful run finished; reports in between may come from the recognizer's thread, except
    // the one at the end of each chunk but the last, which carries the work so far (from the
    // calling thread). With options.resumeFrom the audio before its position is read past
    // unheard and its segments and unrecognized speech begin the transcript.
    // Throws TranscriptionError (busy, modelNotFound without a detector when detection is
    // asked for, the reader's, recognizer's and detector's errors unchanged) and
    // CancellationError at its check points once `stop` is triggered.
    Transcript transcribe(const std::filesystem::path& file, const TranscriptionOptions& options,
                          const ProgressHandler& progress, std::stop_token stop) override;
    using TranscriptionEngine::transcribe;

    // Passed to the recognizer, which refuses all work afterwards.
    bool shutdown(double timeoutSeconds) override;

    // The last 200 characters (as the user perceives them) of the segments' texts joined with
    // single spaces; nothing when that text is empty.
    static std::optional<std::string> prompt(const std::vector<TranscriptSegment>& segments);

private:
    class Run;

    const std::string m_engineName;
    const std::string m_modelName;
    const std::unique_ptr<SpeechRecognizer> m_recognizer;
    const std::unique_ptr<VoiceActivityDetector> m_voiceActivityDetector;

    std::mutex m_busyMutex;
    bool m_isBusy = false; // guarded by m_busyMutex
};

} // namespace bw
