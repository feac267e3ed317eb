// A voice activity detector for tests: answers with scripted analyses and records the length
// of every block it was given. Safe to use from several threads.
#pragma once

#include "transcription/transcription_error.h"
#include "transcription/voice_activity_detector.h"

#include <functional>
#include <mutex>
#include <utility>
#include <optional>

namespace bw {

class FakeDetector : public VoiceActivityDetector {
public:
    // Answers one analyze call from the block (times are seconds from its first sample).
    using Script = std::function<SpeechAnalysis(std::span<const float> samples)>;

    // Without a script every block is all silence.
    explicit FakeDetector(Script script = {}) : m_script(std::move(script)) {}

    // A detector that finds speech in every sample of every block.
    static Script speechEverywhere(double sampleRate = 16000) {
        return [sampleRate](std::span<const float> samples) {
            SpeechAnalysis analysis;
            if (!samples.empty()) {
                analysis.regions.push_back({0, static_cast<double>(samples.size()) / sampleRate});
            }
            return analysis;
        };
    }

    void setScript(Script script) {
        std::lock_guard lock(m_mutex);
        m_script = std::move(script);
    }
    // The next analyze call throws this error (once).
    void failWith(TranscriptionError error) {
        std::lock_guard lock(m_mutex);
        m_failure = std::move(error);
    }

    // Sample counts of the blocks analysed so far, in order.
    std::vector<std::size_t> analyzedLengths() const {
        std::lock_guard lock(m_mutex);
        return m_lengths;
    }

    SpeechAnalysis analyze(std::span<const float> samples) override {
        Script script;
        {
            std::lock_guard lock(m_mutex);
            m_lengths.push_back(samples.size());
            if (auto failure = std::exchange(m_failure, std::nullopt)) {
                throw *failure;
            }
            script = m_script;
        }
        return script ? script(samples) : SpeechAnalysis{};
    }

private:
    mutable std::mutex m_mutex;
    Script m_script;
    std::optional<TranscriptionError> m_failure;
    std::vector<std::size_t> m_lengths;
};

} // namespace bw
