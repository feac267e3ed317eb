// A speech recognizer for tests: records every call and answers with scripted segments.
// Safe to use from several threads; a script runs outside the fake's lock, so it may block
// (to hold a transcription in the middle of a recognition) or report progress.
#pragma once

#include "transcription/speech_recognizer.h"
#include "transcription/transcription_error.h"

#include <deque>
#include <mutex>
#include <utility>

namespace bw {

class FakeRecognizer : public SpeechRecognizer {
public:
    struct Call {
        std::vector<float> samples;
        RecognitionRequest request;
    };

    // Answers one recognize call; runs on the calling thread without the fake's lock.
    using Script = std::function<std::vector<RecognizedSegment>(
        std::span<const float> samples, const RecognitionRequest& request,
        const FractionHandler& progress, std::stop_token stop)>;

    explicit FakeRecognizer(std::optional<double> maximumInputDuration = std::nullopt,
                            std::string engineName = "fake engine 1.0",
                            std::string modelName = "fake-model")
        : m_maximumInputDuration(maximumInputDuration), m_engineName(std::move(engineName)),
          m_modelName(std::move(modelName)) {}

    // Every call is answered by the script; without one, by the queued answers in order and
    // then with no segments.
    void setScript(Script script) {
        std::lock_guard lock(m_mutex);
        m_script = std::move(script);
    }
    void queueAnswer(std::vector<RecognizedSegment> segments) {
        std::lock_guard lock(m_mutex);
        m_answers.push_back(std::move(segments));
    }
    // The next prepare or recognize call throws this error (once).
    void failPrepareWith(TranscriptionError error) {
        std::lock_guard lock(m_mutex);
        m_prepareFailure = std::move(error);
    }
    void failRecognizeWith(TranscriptionError error) {
        std::lock_guard lock(m_mutex);
        m_recognizeFailure = std::move(error);
    }

    std::vector<Call> calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    int prepareCount() const {
        std::lock_guard lock(m_mutex);
        return m_prepareCount;
    }
    int shutdownCount() const {
        std::lock_guard lock(m_mutex);
        return m_shutdownCount;
    }

    std::string engineName() const override { return m_engineName; }
    std::string modelName() const override { return m_modelName; }
    std::optional<double> maximumInputDuration() const override { return m_maximumInputDuration; }
    std::optional<double> windowDuration() const override { return m_windowDuration; }
    // Set before the fake is used.
    void setWindowDuration(std::optional<double> seconds) { m_windowDuration = seconds; }

    void prepare(std::stop_token) override {
        std::lock_guard lock(m_mutex);
        ++m_prepareCount;
        throwIfShutDown();
        if (auto failure = std::exchange(m_prepareFailure, std::nullopt)) {
            throw *failure;
        }
    }

    using SpeechRecognizer::recognize;
    // Hands the answer's segments to `onSegment` one by one before returning them.
    std::vector<RecognizedSegment> recognize(std::span<const float> samples,
                                             const RecognitionRequest& request,
                                             const FractionHandler& progress, std::stop_token stop,
                                             const SegmentHandler& onSegment) override {
        auto answer = answerTo(samples, request, progress, std::move(stop));
        if (onSegment) {
            for (const auto& segment : answer) {
                onSegment(segment);
            }
        }
        return answer;
    }

    // Refuses all work afterwards, as a real recognizer does.
    bool shutdown(double) override {
        std::lock_guard lock(m_mutex);
        ++m_shutdownCount;
        return true;
    }

private:
    std::vector<RecognizedSegment> answerTo(std::span<const float> samples,
                                            const RecognitionRequest& request,
                                            const FractionHandler& progress, std::stop_token stop) {
        Script script;
        {
            std::lock_guard lock(m_mutex);
            throwIfShutDown();
            m_calls.push_back({{samples.begin(), samples.end()}, request});
            if (auto failure = std::exchange(m_recognizeFailure, std::nullopt)) {
                throw *failure;
            }
            script = m_script;
            if (!script) {
                if (m_answers.empty()) {
                    return {};
                }
                auto answer = std::move(m_answers.front());
                m_answers.pop_front();
                return answer;
            }
        }
        return script(samples, request, progress, stop);
    }

    void throwIfShutDown() const {
        if (m_shutdownCount > 0) {
            throw TranscriptionError::engineFailed("the recognizer has been shut down");
        }
    }

    const std::optional<double> m_maximumInputDuration;
    std::optional<double> m_windowDuration;
    const std::string m_engineName;
    const std::string m_modelName;

    mutable std::mutex m_mutex;
    Script m_script;
    std::deque<std::vector<RecognizedSegment>> m_answers;
    std::optional<TranscriptionError> m_prepareFailure;
    std::optional<TranscriptionError> m_recognizeFailure;
    std::vector<Call> m_calls;
    int m_prepareCount = 0;
    int m_shutdownCount = 0;
};

} // namespace bw
