// A transcription engine for tests of its callers: sends a fixed list of progress reports,
// optionally waits until the test releases it (or cancels it), then returns a fixed transcript
// or throws a fixed error. Records how it was called.
#pragma once

#include "base/cancellation_error.h"
#include "transcription/transcription_engine.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <vector>

namespace bw::test {

class ScriptedTranscriptionEngine : public TranscriptionEngine {
public:
    // What the next calls do; set before starting them.
    std::vector<TranscriptionProgress> reports;
    Transcript result;
    std::exception_ptr failure;     // thrown instead of returning `result` when set
    bool holdUntilReleased = false; // wait after the reports until release() or cancellation
    bool ignoresCancellation = false;

    std::string engineName() const override { return "scripted 1.0"; }
    std::string modelName() const override { return "script"; }

    Transcript transcribe(const std::filesystem::path& file, const TranscriptionOptions& options,
                          const ProgressHandler& progress, std::stop_token stop) override {
        {
            std::lock_guard lock(m_mutex);
            ++m_calls;
            m_file = file;
            m_options = options;
            m_started = true;
        }
        m_changed.notify_all();
        for (const auto& report : reports) {
            if (progress) {
                progress(report);
            }
        }
        if (holdUntilReleased) {
            std::unique_lock lock(m_mutex);
            if (ignoresCancellation) {
                m_changed.wait(lock, [&] { return m_released; });
            } else {
                m_changed.wait(lock, stop, [&] { return m_released; });
            }
        }
        if (!ignoresCancellation) {
            throwIfCancelled(stop);
        }
        if (failure) {
            std::rethrow_exception(failure);
        }
        return result;
    }

    void release() {
        {
            std::lock_guard lock(m_mutex);
            m_released = true;
        }
        m_changed.notify_all();
    }

    // Waits (up to a few seconds) until a transcription has begun; tells whether it did.
    bool waitUntilStarted() {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_started; });
    }

    int calls() const {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }
    std::filesystem::path file() const {
        std::lock_guard lock(m_mutex);
        return m_file;
    }
    std::optional<TranscriptionOptions> options() const {
        std::lock_guard lock(m_mutex);
        return m_options;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    bool m_released = false;
    bool m_started = false;
    int m_calls = 0;
    std::filesystem::path m_file;
    std::optional<TranscriptionOptions> m_options;
};

} // namespace bw::test
