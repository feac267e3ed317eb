// The contract the application transcribes through.
#pragma once

#include "transcription/transcript.h"
#include "transcription/transcription_options.h"
#include "transcription/transcription_progress.h"

#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>

namespace bw {

// Called from any thread, any number of times, until transcribe returns.
using ProgressHandler = std::function<void(const TranscriptionProgress&)>;

// Implementations are shared between threads and must be safe to call from several at once.
class TranscriptionEngine {
public:
    virtual ~TranscriptionEngine() = default;

    virtual std::string engineName() const = 0;
    virtual std::string modelName() const = 0;

    // Blocks the calling (worker) thread until the transcript is ready. Throws
    // TranscriptionError on failure and CancellationError once `stop` is triggered.
    // An empty handler ignores every report.
    virtual Transcript transcribe(const std::filesystem::path& file,
                                  const TranscriptionOptions& options,
                                  const ProgressHandler& progress, std::stop_token stop) = 0;

    // Releases what the engine holds, waiting at most `timeoutSeconds`; tells whether that
    // finished in time.
    virtual bool shutdown(double timeoutSeconds) {
        (void)timeoutSeconds;
        return true;
    }

    Transcript transcribe(const std::filesystem::path& file, const TranscriptionOptions& options) {
        return transcribe(file, options, {}, {});
    }
};

} // namespace bw
