#include "transcription/chunked_transcriber.h"

#include "base/cancellation_error.h"
#include "base/precondition.h"
#include "base/text_trimming.h"
#include "base/unicode_text.h"
#include "transcription/audio_stream_reader.h"
#include "transcription/chunk_planner.h"
#include "transcription/compacted_audio.h"
#include "transcription/progress_reporter.h"
#include "transcription/sample_index.h"
#include "transcription/segment_doubt_rules.h"
#include "transcription/speech_block_queue.h"
#include "transcription/speech_regions.h"
#include "transcription/transcription_error.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

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

// Judges the doubts of the segments of one block in order, each against the text before it.
// The speech under a segment comes from the detector's regions in the chunk (`speech`): those
// the block was packed from, or, when nothing was skipped, those it found only for judging.
class DoubtJudge {
public:
    DoubtJudge(const CompactedAudio& block, const std::vector<SpeechRegion>* speech,
               std::optional<std::string> previousText)
        : m_block(block), m_speech(speech), m_previousText(std::move(previousText)) {}

    void judge(RecognizedSegment& segment) {
        if (trimWhitespaceAndLineBreaks(segment.text).empty()) {
            return;
        }
        SegmentDoubtRules::Signals signals;
        signals.text = segment.text;
        if (m_previousText) {
            signals.previousText = *m_previousText;
        }
        signals.duration = segment.end - segment.start;
        if (m_speech) {
            signals.speechSeconds =
                SpeechRegions::secondsWithin(*m_speech, m_block.originalTimeOfStart(segment.start),
                                             m_block.originalTimeOfEnd(segment.end));
        }
        signals.averageLogProbability = segment.averageLogProbability;
        signals.noSpeechProbability = segment.noSpeechProbability;
        segment.doubts = SegmentDoubtRules::judge(signals);
        m_previousText = segment.text;
    }

private:
    const CompactedAudio& m_block;
    const std::vector<SpeechRegion>* m_speech;
    std::optional<std::string> m_previousText;
};

} // namespace

// The state of one transcribe call: the buffer, its position in the recording and the
// segments found so far.
class ChunkedTranscriber::Run {
public:
    // `detector` skips what is not speech; `judgingDetector`, when only it is given, finds the
    // speech under each segment for its doubts without skipping anything.
    Run(AudioStreamReader& reader, SpeechRecognizer& recognizer, VoiceActivityDetector* detector,
        VoiceActivityDetector* judgingDetector, const TranscriptionOptions& options,
        ProgressReporter& reporter, std::stop_token stop)
        : m_reader(reader), m_recognizer(recognizer), m_detector(detector),
          m_judgingDetector(detector ? nullptr : judgingDetector), m_options(options),
          m_reporter(reporter), m_stop(std::move(stop)) {
        const auto& chunking = options.chunking;
        m_firstTarget = roundedIndex((chunking.targetDuration + chunking.lookahead) * sampleRate);
        m_growthStep = std::max<std::int64_t>(16000, roundedIndex(chunking.lookahead * sampleRate));
        m_maximumTarget =
            std::max(m_firstTarget, roundedIndex(chunking.maximumDuration * sampleRate));
        if (options.resumeFrom) {
            m_segments = options.resumeFrom->segments;
            m_unrecognized = options.resumeFrom->unrecognizedSpeech;
        }
    }

    struct Result {
        std::int64_t decoded = 0; // samples handed out as chunks
        std::vector<TranscriptSegment> segments;
        std::vector<SpeechRegion> unrecognizedSpeech;
    };

    // Transcribes every chunk from `start` (samples into the file) on. After each chunk but the
    // last, the report carries the work so far, from which a later run may carry on.
    Result execute(std::int64_t start) {
        m_buffer.reserve(static_cast<std::size_t>(m_firstTarget));
        throwIfCancelled(m_stop);
        skip(start);
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
            const bool finished = last && m_buffer.empty();
            const double reached = static_cast<double>(m_offset) / sampleRate;
            std::optional<PartialTranscript> work;
            if (!finished) {
                work = PartialTranscript{reached, m_segments, m_unrecognized};
            }
            m_reporter.report(Phase::transcribing, reached, {}, std::move(work));
            if (finished) {
                break;
            }
            throwIfCancelled(m_stop);
        }
        return {m_offset, std::move(m_segments), std::move(m_unrecognized)};
    }

private:
    std::int64_t held() const { return static_cast<std::int64_t>(m_buffer.size()); }

    // Reads past the first `samples` of the file, which an earlier run transcribed.
    void skip(std::int64_t samples) {
        constexpr std::int64_t block = 1 << 20;
        while (m_offset < samples) {
            auto read =
                m_reader.read(static_cast<std::size_t>(std::min(block, samples - m_offset)));
            if (read.empty()) {
                m_endOfStream = true;
                return;
            }
            m_offset += static_cast<std::int64_t>(read.size());
        }
    }

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
        const double chunkSeconds = static_cast<double>(cut) / sampleRate;
        const double offsetSeconds = static_cast<double>(m_offset) / sampleRate;
        auto speech = SpeechRegions::clip(analysis.regions, chunkSeconds);
        m_chunkSpeech.reset();
        if (m_detector) {
            m_chunkSpeech = speech;
        } else if (m_judgingDetector) {
            m_chunkSpeech = SpeechRegions::clip(
                m_judgingDetector
                    ->analyze(std::span<const float>(m_buffer).first(static_cast<std::size_t>(cut)))
                    .regions,
                chunkSeconds);
        }
        // A recognizer that works in windows of fixed length gets blocks of about one window
        // even when it would take more: it works as hard on a window that is mostly padding as
        // on a full one, and a long input ends in such a window.
        auto limit = m_recognizer.maximumInputDuration();
        if (!limit) {
            limit = m_recognizer.windowDuration();
        }
        double fitting = limit ? *limit - 1 : std::numeric_limits<double>::infinity();
        SpeechBlockQueue queue(limit ? SpeechRegions::pieces(speech, fitting, analysis, sampleRate)
                                     : speech,
                               fitting, pauseBetweenSpeech);
        // Where the detector found the speech and the recognizer works in windows, a
        // recognition that stops early (its decoder may take the rest of a window for silence)
        // has not heard what follows: that goes back into the queue.
        const bool repack = m_detector != nullptr && limit.has_value();

        auto source = std::span<const float>(m_buffer).first(static_cast<std::size_t>(cut));
        std::vector<TranscriptSegment> chunkSegments;
        double reachedEnd = 0;
        for (int blocks = 0; !queue.isEmpty(); ++blocks) {
            // The chunk's last block is rarely full, so unless the recording ends here it goes
            // back to the buffer, to be packed with the speech that follows; the chunk then
            // ends between it and the speech before.
            if (m_detector && !m_endOfStream && blocks > 0 && queue.fitsOneBlock()) {
                double resume = (reachedEnd + queue.front().start) / 2;
                cut = std::clamp<std::int64_t>(roundedIndex(resume * sampleRate), 1, cut);
                break;
            }
            auto block = queue.take();
            CompactedAudio compacted(source, block, pauseBetweenSpeech, sampleRate);
            auto recognized = recognize(compacted, offsetSeconds, chunkSegments);
            append(compacted.originalSegments(recognized, splitPause), offsetSeconds,
                   chunkSegments);
            reachedEnd = block.back().end;
            if (!repack) {
                continue;
            }
            auto coverage = compacted.coverage(recognized, minimumUnreached, minimumUnheard);
            queue.giveBack(coverage.unreached);
            reachedEnd = coverage.reachedEnd;
            for (const auto& region : coverage.unheard) {
                recognizeAgain(source, region, offsetSeconds, chunkSegments);
            }
        }
        m_segments.insert(m_segments.end(), chunkSegments.begin(), chunkSegments.end());
        return cut;
    }

    // Recognizes one block and judges each segment's doubts. Each segment is reported as soon
    // as the recognizer has it (mapped to the recording on its own, for the live view); the
    // caller maps them all together for the transcript.
    std::vector<RecognizedSegment> recognize(const CompactedAudio& compacted, double offsetSeconds,
                                             const std::vector<TranscriptSegment>& chunkSegments) {
        RecognitionRequest request;
        request.language = m_options.language;
        request.decoding = m_options.decoding;
        request.conditionOnPreviousText = m_options.conditionOnPreviousText;
        if (m_options.conditionOnPreviousText) {
            request.prompt = promptFrom(m_segments, chunkSegments);
        }
        const double blockStart = compacted.originalTimeOfStart(0) + offsetSeconds;
        const auto previousText = textBefore(blockStart, chunkSegments);
        // The position follows the recognizer through the block, in the recording's time.
        const double blockSeconds = static_cast<double>(compacted.samples().size()) / sampleRate;
        auto onFraction = [&](double fraction) {
            double done = std::isnan(fraction) ? 0 : std::clamp(fraction, 0.0, 1.0);
            m_reporter.report(Phase::transcribing,
                              offsetSeconds + compacted.originalTimeOfEnd(done * blockSeconds), {});
        };
        DoubtJudge liveJudge(compacted, chunkSpeech(), previousText);
        auto onSegment = [&](const RecognizedSegment& arrived) {
            if (m_stop.stop_requested()) {
                return; // nothing more is shown once the work is cancelled
            }
            RecognizedSegment segment = arrived;
            liveJudge.judge(segment);
            auto mapped = compacted.originalSegments(segment, splitPause);
            for (auto& piece : mapped) {
                piece.start += offsetSeconds;
                piece.end += offsetSeconds;
            }
            m_reporter.report(Phase::transcribing,
                              offsetSeconds + compacted.originalTimeOfEnd(segment.end),
                              std::move(mapped));
        };
        auto recognized =
            m_recognizer.recognize(compacted.samples(), request, onFraction, m_stop, onSegment);
        throwIfCancelled(m_stop);
        judgeAll(recognized, compacted, previousText);
        if (loopCount(recognized) > 0) {
            // The decoder went round in a loop. Sampling from a higher temperature takes it off
            // that path more often than not; the result with fewer loops (then fewer doubts)
            // stays, the first one on a tie. The live view has already shown the first.
            request.temperature = retryTemperature;
            auto again = m_recognizer.recognize(compacted.samples(), request, onFraction, m_stop);
            throwIfCancelled(m_stop);
            judgeAll(again, compacted, previousText);
            if (std::pair(loopCount(again), doubtCount(again)) <
                std::pair(loopCount(recognized), doubtCount(recognized))) {
                recognized = std::move(again);
            }
        }
        return recognized;
    }

    void judgeAll(std::vector<RecognizedSegment>& segments, const CompactedAudio& compacted,
                  const std::optional<std::string>& previousText) const {
        DoubtJudge judge(compacted, chunkSpeech(), previousText);
        for (auto& segment : segments) {
            judge.judge(segment);
        }
    }

    static std::size_t loopCount(const std::vector<RecognizedSegment>& segments) {
        return static_cast<std::size_t>(
            std::ranges::count_if(segments, [](const RecognizedSegment& segment) {
                return std::ranges::any_of(segment.doubts, [](SegmentDoubt doubt) {
                    return doubt == SegmentDoubt::repeatsItself ||
                           doubt == SegmentDoubt::repeatsPreviousLine;
                });
            }));
    }

    static std::size_t doubtCount(const std::vector<RecognizedSegment>& segments) {
        std::size_t count = 0;
        for (const auto& segment : segments) {
            count += segment.doubts.size();
        }
        return count;
    }

    const std::vector<SpeechRegion>* chunkSpeech() const {
        return m_chunkSpeech ? &*m_chunkSpeech : nullptr;
    }

    // The text of the last segment that starts before `time`, of this chunk or earlier ones.
    std::optional<std::string>
    textBefore(double time, const std::vector<TranscriptSegment>& chunkSegments) const {
        auto after = std::upper_bound(
            chunkSegments.begin(), chunkSegments.end(), time,
            [](double t, const TranscriptSegment& placed) { return t < placed.start; });
        if (after != chunkSegments.begin()) {
            return std::prev(after)->text;
        }
        if (!m_segments.empty()) {
            return m_segments.back().text;
        }
        return std::nullopt;
    }

    // A stretch of speech that a recognition reached without a word, recognized on its own;
    // when that gives no text either, the transcript says so.
    void recognizeAgain(std::span<const float> source, const SpeechRegion& region,
                        double offsetSeconds, std::vector<TranscriptSegment>& chunkSegments) {
        CompactedAudio compacted(source, {region}, pauseBetweenSpeech, sampleRate);
        auto found = compacted.originalSegments(recognize(compacted, offsetSeconds, chunkSegments),
                                                splitPause);
        if (found.empty()) {
            m_unrecognized.push_back({region.start + offsetSeconds, region.end + offsetSeconds});
            return;
        }
        append(std::move(found), offsetSeconds, chunkSegments);
    }

    // Moves segments into the recording's time line and adds them in time order.
    static void append(std::vector<TranscriptSegment> found, double offsetSeconds,
                       std::vector<TranscriptSegment>& chunkSegments) {
        for (auto& segment : found) {
            segment.start += offsetSeconds;
            segment.end += offsetSeconds;
            auto at = std::upper_bound(
                chunkSegments.begin(), chunkSegments.end(), segment.start,
                [](double start, const TranscriptSegment& placed) { return start < placed.start; });
            chunkSegments.insert(at, std::move(segment));
        }
    }

    AudioStreamReader& m_reader;
    SpeechRecognizer& m_recognizer;
    VoiceActivityDetector* m_detector;
    VoiceActivityDetector* m_judgingDetector;
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
    std::vector<SpeechRegion> m_unrecognized;               // in the recording's time
    std::optional<std::vector<SpeechRegion>> m_chunkSpeech; // the detector's, in the chunk
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
    // A run that carries on from earlier work starts at a whole sample within the file.
    std::int64_t start = 0;
    if (options.resumeFrom && std::isfinite(options.resumeFrom->position) &&
        options.resumeFrom->position > 0 && std::isfinite(totalDuration)) {
        start = roundedIndex(std::min(options.resumeFrom->position, totalDuration) * sampleRate);
    }
    const double startSeconds = static_cast<double>(start) / sampleRate;
    if (progress) {
        progress({Phase::loadingModel, startSeconds, totalDuration});
    }
    m_recognizer->prepare(stop);
    throwIfCancelled(stop);

    // Started after the model is loaded, so loading never enters the estimate.
    ProgressReporter reporter({totalDuration, systemUptime(), 2.0, startSeconds}, progress);
    auto result =
        Run(reader, *m_recognizer, detector, m_voiceActivityDetector.get(), options, reporter, stop)
            .execute(start);

    double audioDuration =
        result.decoded >= 1 ? static_cast<double>(result.decoded) / sampleRate : totalDuration;
    if (progress) {
        progress({Phase::finished, audioDuration, audioDuration, 0.0, {}});
    }
    Transcript transcript;
    transcript.language = options.language;
    transcript.segments = std::move(result.segments);
    transcript.audioDuration = audioDuration;
    transcript.engine = m_engineName;
    transcript.model = m_modelName;
    transcript.unrecognizedSpeech = std::move(result.unrecognizedSpeech);
    return transcript;
}

} // namespace bw
