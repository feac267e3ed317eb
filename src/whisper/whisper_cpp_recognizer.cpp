#include "whisper/whisper_cpp_recognizer.h"

#include "base/cancellation_error.h"
#include "base/precondition.h"
#include "platform/processor_cores.h"
#include "transcription/transcription_error.h"
#include "whisper/compute_backends.h"
#include "whisper/model_file.h"
#include "whisper/whisper_cpp_logging.h"
#include "whisper/word_assembly.h"

#include <whisper.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>

namespace bw {

namespace {

// The handlers of one whisper_full call, reached through the library's user-data pointers.
struct ProgressBox {
    const FractionHandler& handler;
};
struct SegmentBox {
    const SegmentHandler& handler;
};

void reportProgress(whisper_context*, whisper_state*, int percent, void* userData) {
    auto* box = static_cast<ProgressBox*>(userData);
    if (box != nullptr && box->handler) {
        // The library's percentage can pass 100 when a decoded window runs past the input's
        // end; callers are promised a fraction of the call.
        box->handler(std::clamp(percent / 100.0, 0.0, 1.0));
    }
}

bool shouldAbort(void* userData) {
    auto* flag = static_cast<const CancelFlag*>(userData);
    return flag != nullptr && flag->isSet();
}

int checkedInt(std::int64_t value, const char* what) {
    BW_PRECONDITION(
        value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max(), what);
    return static_cast<int>(value);
}

// Segment i of the last decode, with its words and how sure the decoder was of it.
RecognizedSegment segmentOf(whisper_context* context, int segment) {
    const int endOfText = whisper_token_eot(context);
    int count = whisper_full_n_tokens(context, segment);
    std::vector<WhisperToken> tokens;
    tokens.reserve(count > 0 ? count : 0);
    double logProbabilities = 0;
    int textTokens = 0;
    for (int j = 0; j < count; ++j) {
        whisper_token_data data = whisper_full_get_token_data(context, segment, j);
        const char* text = whisper_full_get_token_text(context, segment, j);
        tokens.push_back({data.id, text != nullptr ? std::string_view(text) : std::string_view(),
                          data.t0, data.t1});
        if (data.id < endOfText && std::isfinite(data.plog)) {
            logProbabilities += data.plog;
            ++textTokens;
        }
    }
    RecognizedSegment result = assembleSegment(whisper_full_get_segment_t0(context, segment),
                                               whisper_full_get_segment_t1(context, segment),
                                               assembleWords(tokens, endOfText));
    result.averageLogProbability = textTokens > 0 ? logProbabilities / textTokens : 0;
    result.noSpeechProbability = whisper_full_get_segment_no_speech_prob(context, segment);
    return result;
}

void reportSegments(whisper_context* context, whisper_state*, int newCount, void* userData) {
    auto* box = static_cast<SegmentBox*>(userData);
    if (box == nullptr || !box->handler) {
        return;
    }
    int count = whisper_full_n_segments(context);
    for (int i = std::max(0, count - newCount); i < count; ++i) {
        box->handler(segmentOf(context, i));
    }
}

} // namespace

WhisperCppRecognizer::WhisperCppRecognizer(std::filesystem::path modelFile,
                                           std::int64_t threadCount, bool useGPU,
                                           bool predictsTimestamps)
    : m_engineName(std::string("whisper.cpp ") + whisper_version()),
      m_modelName(modelNameFor(modelFile)), m_modelFile(std::move(modelFile)),
      m_threadCount(threadCount), m_useGPU(useGPU), m_predictsTimestamps(predictsTimestamps),
      m_shutDown(std::make_shared<CancelFlag>()), m_queue("bw-whisper-cpp") {
    checkedInt(m_threadCount, "the thread count must fit a 32-bit integer");
    requireReadableModelFile(m_modelFile);
    WhisperCppLogging::installOnce();
    ComputeBackends::loadOnce();
}

WhisperCppRecognizer::~WhisperCppRecognizer() {
    // Queued work (a shut-down's free among it) runs first; the context is freed on its thread.
    m_queue.run([this] { freeContext(); });
}

void WhisperCppRecognizer::freeContext() {
    if (m_context != nullptr) {
        whisper_free(m_context);
        m_context = nullptr;
    }
}

std::string WhisperCppRecognizer::modelNameFor(const std::filesystem::path& modelFile) {
    std::string name = modelFile.stem().string();
    if (name.starts_with("ggml-")) {
        name.erase(0, 5);
    }
    return name;
}

std::optional<double> WhisperCppRecognizer::maximumInputDuration() const {
    if (m_predictsTimestamps) {
        return std::nullopt;
    }
    return 30.0;
}

std::optional<double> WhisperCppRecognizer::windowDuration() const {
    return WHISPER_CHUNK_SIZE;
}

void WhisperCppRecognizer::loadIfNeeded() {
    if (m_shutDown->isSet()) {
        throw CancellationError();
    }
    if (m_context != nullptr) {
        return;
    }
    whisper_context_params params = whisper_context_default_params();
    params.use_gpu = m_useGPU;
    // Flash attention where a GPU runs the model; on the CPU whisper.cpp's own attention paths
    // for the encoder and the decoder are several times faster than ggml's flash-attention kernel.
    params.flash_attn = m_useGPU && ComputeBackends::gpuDevice().has_value();
    {
        auto devices = ComputeBackends::lockDevices();
        m_context = whisper_init_from_file_with_params(m_modelFile.c_str(), params);
    }
    if (m_context == nullptr) {
        throw TranscriptionError::modelLoadFailed(m_modelFile.filename().string());
    }
}

void WhisperCppRecognizer::prepare(std::stop_token stop) {
    throwIfCancelled(stop);
    m_queue.run([this] { loadIfNeeded(); });
}

std::vector<RecognizedSegment> WhisperCppRecognizer::recognize(std::span<const float> samples,
                                                               const RecognitionRequest& request,
                                                               const FractionHandler& progress,
                                                               std::stop_token stop,
                                                               const SegmentHandler& onSegment) {
    auto requestFlag = std::make_shared<CancelFlag>(m_shutDown);
    std::stop_callback cancelRequest(stop, [requestFlag] { requestFlag->set(); });
    return m_queue.run([&, requestFlag] {
        loadIfNeeded();
        return decode(samples, request, progress, onSegment, *requestFlag);
    });
}

std::vector<RecognizedSegment> WhisperCppRecognizer::decode(std::span<const float> samples,
                                                            const RecognitionRequest& request,
                                                            const FractionHandler& progress,
                                                            const SegmentHandler& onSegment,
                                                            const CancelFlag& requestFlag) {
    if (m_context == nullptr) {
        throw TranscriptionError::modelLoadFailed("model not loaded");
    }
    if (requestFlag.isSet()) {
        throw CancellationError();
    }
    if (samples.empty()) {
        return {};
    }

    bool beamSearch = request.decoding.kind == DecodingStrategy::Kind::beamSearch;
    whisper_full_params params = whisper_full_default_params(
        beamSearch ? WHISPER_SAMPLING_BEAM_SEARCH : WHISPER_SAMPLING_GREEDY);
    if (beamSearch) {
        params.beam_search.beam_size =
            request.decoding.beamSize > 1
                ? checkedInt(request.decoding.beamSize, "the beam size must fit a 32-bit integer")
                : 1;
    }
    params.greedy.best_of = 5;
    // The decoder's own fallback climbs from here in steps of temperature_inc.
    params.temperature = static_cast<float>(std::clamp(request.temperature, 0.0, 1.0));
    // whisper.cpp's threads spin at a barrier after every step of the model; with more threads
    // than processors, a waiting thread spins while the one it waits for cannot run, which made
    // a transcription 50 times slower. Extra threads beyond the processors are never used.
    params.n_threads =
        static_cast<int>(std::min<std::int64_t>(m_threadCount, ProcessorCores::availableCount()));
    params.n_max_text_ctx = request.conditionOnPreviousText ? 16384 : 0;
    params.translate = false;
    params.no_context = true;
    params.no_timestamps = !m_predictsTimestamps;
    params.print_special = false;
    params.print_progress = false;
    params.print_realtime = false;
    params.print_timestamps = false;
    params.token_timestamps = true;
    params.initial_prompt = request.prompt ? request.prompt->c_str() : nullptr;
    std::string language(code(request.language));
    params.language = language.c_str();
    params.detect_language = false;
    // whisper.cpp drops a window it judges to be no speech when its text is also unsure; here
    // that judgement only marks the text as doubtful, so nothing the detector heard is lost.
    params.no_speech_thold = 1.0f;
    params.suppress_blank = true;
    params.suppress_nst = true;
    ProgressBox box{progress};
    params.progress_callback = reportProgress;
    params.progress_callback_user_data = &box;
    SegmentBox segmentBox{onSegment};
    if (onSegment) {
        params.new_segment_callback = reportSegments;
        params.new_segment_callback_user_data = &segmentBox;
    }
    params.abort_callback = shouldAbort;
    params.abort_callback_user_data = const_cast<CancelFlag*>(&requestFlag);
    params.vad = false;

    int result = whisper_full(m_context, params, samples.data(),
                              checkedInt(static_cast<std::int64_t>(samples.size()),
                                         "the sample count must fit a 32-bit integer"));
    // A decode stopped by the abort callback may still report success: the flag decides.
    if (requestFlag.isSet()) {
        throw CancellationError();
    }
    if (result != 0) {
        throw TranscriptionError::engineFailed("whisper_full returned " + std::to_string(result));
    }
    std::vector<RecognizedSegment> segments;
    int count = whisper_full_n_segments(m_context);
    for (int i = 0; i < count; ++i) {
        segments.push_back(segmentOf(m_context, i));
    }
    return segments;
}

bool WhisperCppRecognizer::shutdown(double timeoutSeconds) {
    m_shutDown->set();
    auto freed = std::make_shared<std::promise<void>>();
    auto done = freed->get_future();
    m_queue.post([this, freed] {
        freeContext();
        freed->set_value();
    });
    // Bounded so that a huge or infinite time-out cannot overflow the clock arithmetic.
    double seconds = std::isnan(timeoutSeconds) ? 0 : std::clamp(timeoutSeconds, 0.0, 1e7);
    return done.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready;
}

} // namespace bw
