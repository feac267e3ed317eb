#include "whisper/whisper_cpp_engine.h"

#include "platform/processor_cores.h"

#include <algorithm>

namespace bw {

int WhisperCppEngine::defaultThreadCount() {
    return std::clamp(ProcessorCores::physicalCount(), 1, 4);
}

WhisperCppEngine::WhisperCppEngine(const std::filesystem::path& modelsDirectory, Model model,
                                   bool useGPU, int threadCount)
    : WhisperCppEngine(modelsDirectory / fileName(model), modelsDirectory / vadModelFileName,
                       useGPU, predictsTimestamps(model), SileroVoiceActivityDetector::Parameters{},
                       threadCount) {}

WhisperCppEngine::WhisperCppEngine(const std::filesystem::path& modelFile,
                                   const std::filesystem::path& vadModelFile, bool useGPU,
                                   bool predictsTimestamps,
                                   const SileroVoiceActivityDetector::Parameters& vadParameters,
                                   int threadCount) {
    auto recognizer =
        std::make_unique<WhisperCppRecognizer>(modelFile, threadCount, useGPU, predictsTimestamps);
    auto detector = std::make_unique<SileroVoiceActivityDetector>(vadModelFile, vadParameters);
    m_recognizer = recognizer.get();
    m_detector = detector.get();
    m_transcriber =
        std::make_shared<ChunkedTranscriber>(std::move(recognizer), std::move(detector));
}

} // namespace bw
