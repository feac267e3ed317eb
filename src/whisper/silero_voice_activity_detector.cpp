#include "whisper/silero_voice_activity_detector.h"

#include "base/precondition.h"
#include "transcription/speech_regions.h"
#include "transcription/transcription_error.h"
#include "whisper/compute_backends.h"
#include "whisper/model_file.h"
#include "whisper/whisper_cpp_logging.h"

#include <whisper.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace bw {

namespace {

constexpr double sampleRate = 16000;

int milliseconds(double seconds) {
    double value = std::trunc(seconds * 1000);
    BW_PRECONDITION(value >= std::numeric_limits<int>::min() &&
                        value <= std::numeric_limits<int>::max(),
                    "a detection duration must fit a 32-bit count of milliseconds");
    return static_cast<int>(value);
}

struct SegmentsDeleter {
    void operator()(whisper_vad_segments* segments) const { whisper_vad_free_segments(segments); }
};

} // namespace

SileroVoiceActivityDetector::SileroVoiceActivityDetector(std::filesystem::path modelFile,
                                                         Parameters parameters)
    : m_modelFile(std::move(modelFile)), m_parameters(parameters) {
    requireReadableModelFile(m_modelFile);
    WhisperCppLogging::installOnce();
    ComputeBackends::loadOnce();
    whisper_vad_context_params params = whisper_vad_default_context_params();
    // The model runs one small graph per 32 ms frame; with ggml's OpenMP back end a team of two
    // threads meets at a barrier for every frame, which made detection 15 to 50 times slower
    // than one thread on a busy two-core machine (bench/transcribe.sh).
    params.n_threads = 1;
    params.use_gpu = false;
    {
        auto devices = ComputeBackends::lockDevices();
        m_context = whisper_vad_init_from_file_with_params(m_modelFile.c_str(), params);
    }
    if (m_context == nullptr) {
        throw TranscriptionError::modelLoadFailed(m_modelFile.filename().string());
    }
}

SileroVoiceActivityDetector::SileroVoiceActivityDetector(std::filesystem::path modelFile)
    : SileroVoiceActivityDetector(std::move(modelFile), Parameters{}) {}

SileroVoiceActivityDetector::~SileroVoiceActivityDetector() {
    whisper_vad_free(m_context);
}

float SileroVoiceActivityDetector::levellingGain(std::span<const float> samples) {
    size_t count = samples.size();
    if (count == 0) {
        return 1;
    }
    // The percentile comes from a strided subset (50,000 to 99,999 values for long input), so
    // a long recording costs one partial sort of a bounded sample, not of every sample.
    size_t stride = count >= 50000 ? count / 50000 : 1;
    std::vector<float> amplitudes;
    amplitudes.reserve(count / stride + 1);
    for (size_t i = 0; i < count; i += stride) {
        amplitudes.push_back(std::fabs(samples[i]));
    }
    size_t m = amplitudes.size();
    size_t index = std::min(m - 1, static_cast<size_t>(static_cast<double>(m) * 0.999));
    std::nth_element(amplitudes.begin(), amplitudes.begin() + static_cast<std::ptrdiff_t>(index),
                     amplitudes.end());
    float peak = amplitudes[index];
    if (!(peak > 0)) {
        return 1;
    }
    float gain = 0.5f / peak;
    if (gain < 1) {
        return 1; // loud input is never attenuated
    }
    if (gain >= 31.6f) {
        return 31.6f; // about +30 dB at most, so noise in a near-silent file stays noise
    }
    return gain <= 1.01f ? 1 : gain;
}

std::vector<float> SileroVoiceActivityDetector::levelled(std::span<const float> samples) {
    float gain = levellingGain(samples);
    std::vector<float> result(samples.begin(), samples.end());
    if (gain != 1) {
        for (float& sample : result) {
            sample = std::clamp(sample * gain, -1.0f, 1.0f);
        }
    }
    return result;
}

SpeechAnalysis SileroVoiceActivityDetector::analyze(std::span<const float> samples) {
    if (samples.empty()) {
        return {};
    }
    whisper_vad_params params = whisper_vad_default_params();
    params.threshold = m_parameters.threshold;
    params.min_speech_duration_ms = milliseconds(m_parameters.minimumSpeech);
    params.min_silence_duration_ms = milliseconds(m_parameters.minimumSilence);
    params.speech_pad_ms = 0; // padding is added below, by the same rule every detector uses

    std::vector<float> normalised;
    std::span<const float> input = samples;
    if (m_parameters.normalizesLevel) {
        normalised = levelled(samples);
        input = normalised;
    }
    BW_PRECONDITION(input.size() <= static_cast<size_t>(std::numeric_limits<int>::max()),
                    "the sample count must fit a 32-bit integer");

    std::lock_guard lock(m_lock);
    if (!whisper_vad_detect_speech(m_context, input.data(), static_cast<int>(input.size()))) {
        throw TranscriptionError::engineFailed("Silero VAD failed");
    }
    SpeechAnalysis analysis;
    const float* probabilities = whisper_vad_probs(m_context);
    int probabilityCount = whisper_vad_n_probs(m_context);
    if (probabilities != nullptr && probabilityCount > 0) {
        analysis.frameProbabilities.assign(probabilities, probabilities + probabilityCount);
    }
    std::unique_ptr<whisper_vad_segments, SegmentsDeleter> segments(
        whisper_vad_segments_from_probs(m_context, params));
    if (segments == nullptr) {
        throw TranscriptionError::engineFailed("Silero VAD failed");
    }
    std::vector<SpeechRegion> regions;
    int segmentCount = whisper_vad_segments_n_segments(segments.get());
    for (int i = 0; i < segmentCount; ++i) {
        // The library counts in units of 10 ms.
        double start =
            static_cast<double>(whisper_vad_segments_get_segment_t0(segments.get(), i)) / 100;
        double end =
            static_cast<double>(whisper_vad_segments_get_segment_t1(segments.get(), i)) / 100;
        if (start < end) {
            regions.push_back({start, end});
        }
    }
    analysis.regions = SpeechRegions::pad(regions, m_parameters.padding,
                                          static_cast<double>(samples.size()) / sampleRate);
    analysis.frameDuration = frameDuration;
    return analysis;
}

} // namespace bw
