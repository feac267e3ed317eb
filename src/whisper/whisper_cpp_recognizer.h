// The speech recognizer over whisper.cpp: turns one buffer of 16 kHz mono samples into segments
// with word times. It owns one whisper.cpp context (the loaded model), which is only ever used
// on the recognizer's own worker thread, so calls from several threads run one after another.
#pragma once

#include "transcription/speech_recognizer.h"
#include "whisper/cancel_flag.h"
#include "whisper/serial_queue.h"

#include <cstdint>
#include <filesystem>
#include <memory>

struct whisper_context;

namespace bw {

class WhisperCppRecognizer : public SpeechRecognizer {
public:
    // Checks that the model file is readable (TranscriptionError::modelNotFound otherwise) but
    // does not load it; the first prepare or recognize does. `threadCount` must fit 32 bits.
    WhisperCppRecognizer(std::filesystem::path modelFile, std::int64_t threadCount, bool useGPU,
                         bool predictsTimestamps);
    // Waits for queued work, then frees the context if it is still loaded.
    ~WhisperCppRecognizer() override;

    // "whisper.cpp " followed by the version of the linked library.
    std::string engineName() const override { return m_engineName; }
    std::string modelName() const override { return m_modelName; }
    const std::filesystem::path& modelFile() const { return m_modelFile; }
    std::int64_t threadCount() const { return m_threadCount; }
    bool useGPU() const { return m_useGPU; }
    bool predictsTimestamps() const { return m_predictsTimestamps; }

    // Loads the model unless it is loaded. Throws TranscriptionError::modelLoadFailed, or
    // CancellationError once the recognizer has been shut down.
    void prepare(std::stop_token stop) override;

    // Loads the model if needed and decodes the samples. The progress and segment handlers run
    // on the recognizer's thread, the latter as whisper.cpp finishes each segment. Triggering
    // `stop` (or shutting down) stops a running decode at the library's next check and throws
    // CancellationError; a library failure throws TranscriptionError::engineFailed. Empty input
    // returns no segments without decoding.
    std::vector<RecognizedSegment> recognize(std::span<const float> samples,
                                             const RecognitionRequest& request,
                                             const FractionHandler& progress, std::stop_token stop,
                                             const SegmentHandler& onSegment) override;
    using SpeechRecognizer::recognize;

    // None with timestamp prediction; 30 seconds (one window) without.
    std::optional<double> maximumInputDuration() const override;

    // 30 seconds: the model's encoder always works on one whole window.
    std::optional<double> windowDuration() const override;

    // Stops running and queued work for good and frees the context on the recognizer's thread,
    // waiting at most `timeoutSeconds`; tells whether the context was freed in that time.
    // Every later prepare or recognize throws CancellationError.
    bool shutdown(double timeoutSeconds) override;

    // The model file's name without extension and without a leading "ggml-".
    static std::string modelNameFor(const std::filesystem::path& modelFile);

private:
    void loadIfNeeded();
    void freeContext();
    std::vector<RecognizedSegment> decode(std::span<const float> samples,
                                          const RecognitionRequest& request,
                                          const FractionHandler& progress,
                                          const SegmentHandler& onSegment,
                                          const CancelFlag& requestFlag);

    const std::string m_engineName;
    const std::string m_modelName;
    const std::filesystem::path m_modelFile;
    const std::int64_t m_threadCount;
    const bool m_useGPU;
    const bool m_predictsTimestamps;
    const std::shared_ptr<CancelFlag> m_shutDown;
    whisper_context* m_context = nullptr; // touched only on m_queue's thread
    SerialQueue m_queue;
};

} // namespace bw
