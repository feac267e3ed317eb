// The voice activity detector over whisper.cpp's Silero model: finds the stretches of speech in
// a recording's 16 kHz mono samples and reports a speech probability for every 32 ms frame.
// Thread-safe: calls on one detector run one after another.
#pragma once

#include "transcription/voice_activity_detector.h"

#include <filesystem>
#include <mutex>
#include <span>
#include <vector>

struct whisper_vad_context;

namespace bw {

class SileroVoiceActivityDetector : public VoiceActivityDetector {
public:
    struct Parameters {
        float threshold = 0.35f;     // speech probability from which a frame counts as speech
        double minimumSpeech = 0.25; // seconds; shorter speech is ignored
        double minimumSilence = 0.3; // seconds; shorter pauses do not end speech
        double padding = 0.1;        // seconds added before and after every region
        bool normalizesLevel = true; // raise quiet input before detection

        bool operator==(const Parameters&) const = default;
    };

    // Seconds per probability frame (512 samples).
    static constexpr double frameDuration = 0.032;

    // Loads the model at once. Throws TranscriptionError::modelNotFound when the file is not
    // readable and TranscriptionError::modelLoadFailed when whisper.cpp cannot load it.
    SileroVoiceActivityDetector(std::filesystem::path modelFile, Parameters parameters);
    explicit SileroVoiceActivityDetector(std::filesystem::path modelFile);
    ~SileroVoiceActivityDetector() override;
    SileroVoiceActivityDetector(const SileroVoiceActivityDetector&) = delete;
    SileroVoiceActivityDetector& operator=(const SileroVoiceActivityDetector&) = delete;

    // Regions are padded and kept within the input. Empty input gives an empty analysis without
    // touching the model. Throws TranscriptionError::engineFailed("Silero VAD failed"); the
    // detector stays usable afterwards.
    SpeechAnalysis analyze(std::span<const float> samples) override;

    // The samples scaled so that their 99.9th-percentile amplitude becomes 0.5, by at most
    // 31.6 (+30 dB); never attenuated, and unchanged when the gain would be at most 1.01.
    static std::vector<float> levelled(std::span<const float> samples);

    // The gain `levelled` applies (1 when it leaves the samples unchanged).
    static float levellingGain(std::span<const float> samples);

    const std::filesystem::path& modelFile() const { return m_modelFile; }
    const Parameters& parameters() const { return m_parameters; }

private:
    const std::filesystem::path m_modelFile;
    const Parameters m_parameters;
    std::mutex m_lock; // serialises every use of m_context
    whisper_vad_context* m_context = nullptr;
};

} // namespace bw
