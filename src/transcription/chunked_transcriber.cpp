#include "transcription/chunked_transcriber.h"

#include "base/cancellation_error.h"
#include "base/precondition.h"
#include "base/unicode_text.h"
#include "transcription/audio_stream_reader.h"
#include "transcription/chunk_planner.h"
#include "transcription/compacted_audio.h"
#include "transcription/progress_reporter.h"
#include "transcription/sample_index.h"
#include "transcription/speech_regions.h"
#include "transcription/transcription_error.h"

#include <algorithm>
#include <cmath>

namespace bw {

namespace {

constexpr double sampleRate = AudioStreamReader::sampleRate;
using Phase = TranscriptionProgress::Phase;

const SpeechRecognizer& requireRecognizer(const std::unique_ptr<SpeechRecognizer>& recognizer) {
    BW_PRECONDITION(recognizer != nullptr, "a transcriber needs a recognizer");
    return *recognizer;
}

// The prompt over the segments of `earlier` followed by those of `current`: the last
// promptLength user-perceived characters of their texts joined by spaces.
std::optional<std::string> promptFrom(const std::vector<TranscriptSegment>& earlier,
                                      const std::vector<TranscriptSegment>& current) {
    std::string text;
    auto prepend = [&](const TranscriptSegment& segment) {
        text = text.empty() ? segment.text : segment.text + ' ' + text;
        return unicode::graphemeCount(text) >= ChunkedTranscriber::promptLength;
    };
    bool full = false;
    for (auto it = current.rbegin(); !full && it != current.rend(); ++it) {
        full = prepend(*it);
    }
    for (auto it = earlier.rbegin(); !full && it != earlier.rend(); ++it) {
        full = prepend(*it);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    const std::size_t kept = unicode::graphemeSuffixSize(text, ChunkedTranscriber::promptLength);
    return unicode::repairedUtf8(std::string_view(text).substr(text.size() - kept));
}

} // namespace

// The state of one transcribe call: the buffer, its position in the recording and the
// segments found so far.
class ChunkedTranscriber::Run {
public:
    Run(AudioStreamReader& reader, SpeechRecognizer& recognizer, VoiceActivityDetector* detector,
        const TranscriptionOptions& options, ProgressReporter& reporter, std::stop_token stop)
        : m_reader(reader), m_recognizer(recognizer), m_detector(detector), m_options(options),
          m_reporter(reporter), m_stop(std::move(stop)) {
        const auto& chunking = options.chunking;
        m_firstTarget = roundedIndex((chunking.targetDuration + chunking.lookahead) * sampleRate);
        m_growthStep = std::max<std::int64_t>(16000, roundedIndex(chunking.lookahead * sampleRate));
        m_maximumTarget =
            std::max(m_firstTarget, roundedIndex(chunking.maximumDuration * sampleRate));
    }

    // Transcribes every chunk; returns the samples handed out and the segments.
    std::pair<std::int64_t, std::vector<TranscriptSegment>> execute() {
        m_buffer.reserve(static_cast<std::size_t>(m_firstTarget));
        throwIfCancelled(m_stop);
        while (true) {
            fill(m_firstTarget);
            if (m_buffer.empty()) {
                break;
            }
            SpeechAnalysis analysis;
            std::int64_t cut = decideCut(analysis);
            bool last = m_endOfStream;
            cut = transcribeChunk(cut, analysis);
            m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(cut));
            m_offset += cut;
            if (last && m_buffer.empty()) {
                break;
            }
            throwIfCancelled(m_stop);
        }
        return {m_offset, std::move(m_segments)};
    }

private:
    std::int64_t held() const { return static_cast<std::int64_t>(m_buffer.size()); }

    void fill(std::int64_t target) {
        while (!m_endOfStream && held() < target) {
            auto block = m_reader.read(static_cast<std::size_t>(target - held()));
            if (block.empty()) {
                m_endOfStream = true;
                break;
            }
            m_buffer.insert(m_buffer.end(), block.begin(), block.end());
        }
    }

    std::int64_t decideCut(SpeechAnalysis& analysis) {
        if (!m_detector) {
            analysis = {{{0, static_cast<double>(held()) / sampleRate}}, {}, 0};
            if (m_endOfStream) {
                return held();
            }
            return std::min(held(), truncatedIndex(m_options.chunking.targetDuration * sampleRate));
        }
        while (true) {
            analysis = m_detector->analyze(m_buffer);
            auto chunking = m_options.chunking;
            if (held() >= m_maximumTarget) {
                // A maximum that is not a whole number of samples is never quite reached;
                // the buffer is as long as it may grow, so the cut is forced here.
                chunking.maximumDuration = static_cast<double>(held()) / sampleRate;
            }
            auto decision =
                ChunkPlanner::decide(m_buffer, analysis, m_endOfStream, chunking, sampleRate);
            if (decision.kind == ChunkPlanner::Decision::Kind::cut) {
                return decision.samples;
            }
            throwIfCancelled(m_stop);
            fill(std::min(held() + m_growthStep, m_maximumTarget));
        }
    }

    // Recognizes the chunk's speech and returns how many samples of the buffer it used: all
    // `cut` of them, or fewer when its last block is left for the next chunk.
    std::int64_t transcribeChunk(std::int64_t cut, const SpeechAnalysis& analysis) {
        double chunkSeconds = static_cast<double>(cut) / sampleRate;
        double offsetSeconds = static_cast<double>(m_offset) / sampleRate;
        auto speech = SpeechRegions::clip(analysis.regions, chunkSeconds);
        std::vector<std::vector<SpeechRegion>> groups;
        // A recognizer that works in windows of fixed length gets blocks of about one window
        // even when it would take more: it works as hard on a window that is mostly padding as
        // on a full one, and a long input ends in such a window.
        auto limit = m_recognizer.maximumInputDuration();
        if (!limit) {
            limit = m_recognizer.windowDuration();
        }
        if (limit) {
            groups =
                SpeechRegions::groups(speech, *limit - 1, pauseBetweenSpeech, analysis, sampleRate);
            // The chunk's last block is rarely full, so unless the recording ends here it goes
            // back to the buffer, to be packed with the speech that follows; the chunk then
            // ends between it and the block before.
            if (m_detector && !m_endOfStream && groups.size() >= 2) {
                double resume =
                    (groups[groups.size() - 2].back().end + groups.back().front().start) / 2;
                cut = std::clamp<std::int64_t>(roundedIndex(resume * sampleRate), 1, cut);
                chunkSeconds = static_cast<double>(cut) / sampleRate;
                groups.pop_back();
            }
        } else if (!speech.empty()) {
            groups.push_back(std::move(speech));
        }

        std::vector<TranscriptSegment> chunkSegments;
        auto source = std::span<const float>(m_buffer).first(static_cast<std::size_t>(cut));
        double groupCount = static_cast<double>(groups.size());
        for (std::size_t i = 0; i < groups.size(); ++i) {
            CompactedAudio compacted(source, groups[i], pauseBetweenSpeech, sampleRate);
            RecognitionRequest request{m_options.language, m_options.decoding, std::nullopt,
                                       m_options.conditionOnPreviousText};
            if (m_options.conditionOnPreviousText) {
                request.prompt = promptFrom(m_segments, chunkSegments);
            }
            // The position moves evenly through the chunk, group by group.
            auto onFraction = [&, i](double fraction) {
                double done = std::isnan(fraction) ? 0 : std::clamp(fraction, 0.0, 1.0);
                m_reporter.report(Phase::transcribing,
                                  offsetSeconds +
                                      ((1 / groupCount) * (done + static_cast<double>(i))) *
                                          chunkSeconds,
                                  {});
            };
            auto recognized =
                m_recognizer.recognize(compacted.samples(), request, onFraction, m_stop);
            throwIfCancelled(m_stop);
            for (auto mapped : compacted.originalSegments(recognized, splitPause)) {
                mapped.start += offsetSeconds;
                mapped.end += offsetSeconds;
                chunkSegments.push_back(std::move(mapped));
            }
        }
        m_segments.insert(m_segments.end(), chunkSegments.begin(), chunkSegments.end());
        m_reporter.report(Phase::transcribing, chunkSeconds + offsetSeconds,
                          std::move(chunkSegments));
        return cut;
    }

    AudioStreamReader& m_reader;
    SpeechRecognizer& m_recognizer;
    VoiceActivityDetector* m_detector;
    const TranscriptionOptions& m_options;
    ProgressReporter& m_reporter;
    std::stop_token m_stop;

    std::int64_t m_firstTarget = 0;
    std::int64_t m_growthStep = 0;
    std::int64_t m_maximumTarget = 0;
    std::vector<float> m_buffer;
    std::int64_t m_offset = 0; // samples handed out as chunks: the buffer's place in the file
    bool m_endOfStream = false;
    std::vector<TranscriptSegment> m_segments;
};

ChunkedTranscriber::ChunkedTranscriber(std::unique_ptr<SpeechRecognizer> recognizer,
                                       std::unique_ptr<VoiceActivityDetector> voiceActivityDetector)
    : m_engineName(requireRecognizer(recognizer).engineName()),
      m_modelName(recognizer->modelName()), m_recognizer(std::move(recognizer)),
      m_voiceActivityDetector(std::move(voiceActivityDetector)) {}

void ChunkedTranscriber::prepare(std::stop_token stop) {
    m_recognizer->prepare(std::move(stop));
}

bool ChunkedTranscriber::shutdown(double timeoutSeconds) {
    return m_recognizer->shutdown(timeoutSeconds);
}

std::optional<std::string>
ChunkedTranscriber::prompt(const std::vector<TranscriptSegment>& segments) {
    return promptFrom(segments, {});
}

Transcript ChunkedTranscriber::transcribe(const std::filesystem::path& file,
                                          const TranscriptionOptions& options,
                                          const ProgressHandler& progress, std::stop_token stop) {
    {
        std::lock_guard lock(m_busyMutex);
        if (m_isBusy) {
            throw TranscriptionError::busy();
        }
        m_isBusy = true;
    }
    struct BusyRelease {
        ChunkedTranscriber& transcriber;
        ~BusyRelease() {
            std::lock_guard lock(transcriber.m_busyMutex);
            transcriber.m_isBusy = false;
        }
    } release{*this};

    VoiceActivityDetector* detector = nullptr;
    if (options.voiceActivityDetection) {
        if (!m_voiceActivityDetector) {
            throw TranscriptionError::modelNotFound("no voice activity detector configured");
        }
        detector = m_voiceActivityDetector.get();
    }

    AudioStreamReader reader(file, stop);
    double totalDuration = reader.duration();
    if (progress) {
        progress({Phase::loadingModel, 0, totalDuration, std::nullopt, {}});
    }
    m_recognizer->prepare(stop);
    throwIfCancelled(stop);

    // Started after the model is loaded, so loading never enters the estimate.
    ProgressReporter reporter({totalDuration, systemUptime(), 2.0}, progress);
    auto [decoded, segments] =
        Run(reader, *m_recognizer, detector, options, reporter, stop).execute();

    double audioDuration = decoded >= 1 ? static_cast<double>(decoded) / sampleRate : totalDuration;
    if (progress) {
        progress({Phase::finished, audioDuration, audioDuration, 0.0, {}});
    }
    return {options.language, std::move(segments), audioDuration, m_engineName, m_modelName};
}

} // namespace bw
