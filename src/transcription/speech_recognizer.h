// The contract of what turns a block of 16 kHz mono samples into timed text.
#pragma once

#include "transcription/recognition_request.h"
#include "transcription/recognized_segment.h"

#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <vector>

namespace bw {

// Receives the fraction (0...1) of one recognize call done so far; may run on any thread.
using FractionHandler = std::function<void(double)>;
// Receives each recognized segment as soon as the recognizer has it, in order, before the
// recognize call returns them all; may run on any thread.
using SegmentHandler = std::function<void(const RecognizedSegment&)>;

// Implementations are shared between threads and must be safe to call from several at once.
class SpeechRecognizer {
public:
    virtual ~SpeechRecognizer() = default;

    virtual std::string engineName() const = 0;
    virtual std::string modelName() const = 0;

    // Loads what recognition needs; does nothing when ready. Blocks the calling thread.
    // Throws TranscriptionError, or CancellationError once `stop` is triggered.
    virtual void prepare(std::stop_token stop) = 0;

    // Recognizes the samples; the segments' times are seconds from the first sample. Blocks
    // the calling thread. Throws TranscriptionError, or CancellationError once `stop` is triggered.
    virtual std::vector<RecognizedSegment> recognize(std::span<const float> samples,
                                                     const RecognitionRequest& request,
                                                     const FractionHandler& progress,
                                                     std::stop_token stop,
                                                     const SegmentHandler& onSegment) = 0;
    std::vector<RecognizedSegment> recognize(std::span<const float> samples,
                                             const RecognitionRequest& request,
                                             const FractionHandler& progress,
                                             std::stop_token stop) {
        return recognize(samples, request, progress, std::move(stop), {});
    }

    // The longest input in seconds one call accepts; nothing means no limit.
    virtual std::optional<double> maximumInputDuration() const { return std::nullopt; }

    // The seconds of audio one pass of the recognizer works on, shorter input being padded to
    // it, so that its cost follows the number of windows rather than the input's length;
    // nothing when there is no such window.
    virtual std::optional<double> windowDuration() const { return std::nullopt; }

    virtual bool shutdown(double timeoutSeconds) {
        (void)timeoutSeconds;
        return true;
    }
};

} // namespace bw
