// The program's transcription engine: the whisper.cpp recognizer and the Silero detector joined
// by the core's chunked transcriber, to which every operation is forwarded. Copies share one
// transcriber; use from any thread.
#pragma once

#include "transcription/chunked_transcriber.h"
#include "whisper/silero_voice_activity_detector.h"
#include "whisper/whisper_cpp_model.h"
#include "whisper/whisper_cpp_recognizer.h"

#include <filesystem>
#include <memory>
#include <string_view>

namespace bw {

class WhisperCppEngine : public TranscriptionEngine {
public:
    using Model = WhisperCppModel;

    static constexpr std::string_view vadModelFileName = "ggml-silero-v6.2.0.bin";
    // The decoding threads when none are asked for: this computer's physical cores (those the
    // process may use), at most 4. A second thread on one core or more threads than cores only
    // slow whisper.cpp down: its threads wait for each other at every step of the model.
    static int defaultThreadCount();

    // The model and "ggml-silero-v6.2.0.bin" from `modelsDirectory`, with the detector's
    // default parameters.
    WhisperCppEngine(const std::filesystem::path& modelsDirectory, Model model, bool useGPU,
                     int threadCount = defaultThreadCount());

    // Makes the recognizer (which loads its model later), then the detector (which loads its
    // model now). Throws TranscriptionError::modelNotFound for a file that is not readable and
    // TranscriptionError::modelLoadFailed for a detector model whisper.cpp cannot load.
    WhisperCppEngine(const std::filesystem::path& modelFile,
                     const std::filesystem::path& vadModelFile, bool useGPU,
                     bool predictsTimestamps,
                     const SileroVoiceActivityDetector::Parameters& vadParameters,
                     int threadCount = defaultThreadCount());

    std::string engineName() const override { return m_transcriber->engineName(); }
    std::string modelName() const override { return m_transcriber->modelName(); }

    void prepare(std::stop_token stop = {}) { m_transcriber->prepare(std::move(stop)); }
    Transcript transcribe(const std::filesystem::path& file, const TranscriptionOptions& options,
                          const ProgressHandler& progress, std::stop_token stop) override {
        return m_transcriber->transcribe(file, options, progress, std::move(stop));
    }
    using TranscriptionEngine::transcribe;
    bool shutdown(double timeoutSeconds) override {
        return m_transcriber->shutdown(timeoutSeconds);
    }

    // The parts the transcriber owns, for inspection.
    const WhisperCppRecognizer& recognizer() const { return *m_recognizer; }
    const SileroVoiceActivityDetector& detector() const { return *m_detector; }

private:
    std::shared_ptr<ChunkedTranscriber> m_transcriber;
    const WhisperCppRecognizer* m_recognizer;      // owned by m_transcriber
    const SileroVoiceActivityDetector* m_detector; // owned by m_transcriber
};

} // namespace bw
