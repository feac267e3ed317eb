#include "transcription/two_track_transcriber.h"

#include "base/cancellation_error.h"
#include "base/uuid.h"
#include "transcription/echo_canceller.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace bw {

namespace {

std::vector<TranscriptSegment> spokenBy(std::vector<TranscriptSegment> segments, Speaker speaker) {
    for (auto& segment : segments) {
        segment.speaker = speaker;
    }
    return segments;
}

std::vector<TranscriptSegment> onlyOf(const std::vector<TranscriptSegment>& segments,
                                      Speaker speaker) {
    std::vector<TranscriptSegment> result;
    std::copy_if(
        segments.begin(), segments.end(), std::back_inserter(result),
        [speaker](const TranscriptSegment& segment) { return segment.speaker == speaker; });
    return result;
}

template <typename T> std::vector<T> joined(std::vector<T> first, const std::vector<T>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// One pass's reports as reports of the whole job. `before` is the seconds of the earlier pass,
// `after` those of the later one still to come; `earlier` the earlier pass's finished work.
class PassReports {
public:
    PassReports(Speaker speaker, double before, double after, const PartialTranscript& earlier,
                const ProgressHandler& progress,
                std::function<std::vector<TranscriptSegment>(std::vector<TranscriptSegment>)> shown)
        : m_speaker(speaker), m_before(before), m_after(after), m_earlier(earlier),
          m_progress(progress), m_shown(std::move(shown)) {}

    void operator()(const TranscriptionProgress& report) const {
        if (!m_progress) {
            return;
        }
        using Phase = TranscriptionProgress::Phase;
        // Only the last pass finishes the job, and only the first loads the model.
        auto phase = report.phase;
        if ((phase == Phase::finished && m_after > 0) ||
            (phase == Phase::loadingModel && m_before > 0)) {
            phase = Phase::transcribing;
        }
        const double passTotal = report.totalDuration > 0 ? report.totalDuration : 0;
        std::optional<double> remaining = report.estimatedTimeRemaining;
        if (remaining && m_after > 0) {
            // The later pass takes as long per second of audio as this one is taking.
            const double passLeft = passTotal - report.processedDuration;
            remaining = passLeft > 0 ? std::optional(*remaining * (passLeft + m_after) / passLeft)
                                     : std::nullopt;
        }
        std::optional<PartialTranscript> work;
        if (report.finishedWork) {
            work = PartialTranscript{
                m_before + report.finishedWork->position,
                joined(m_earlier.segments,
                       m_shown(spokenBy(report.finishedWork->segments, m_speaker))),
                joined(m_earlier.unrecognizedSpeech, report.finishedWork->unrecognizedSpeech)};
        }
        m_progress(TranscriptionProgress(
            phase, m_before + report.processedDuration, m_before + passTotal + m_after, remaining,
            m_shown(spokenBy(report.newSegments, m_speaker)), std::move(work)));
    }

private:
    Speaker m_speaker;
    double m_before;
    double m_after;
    const PartialTranscript& m_earlier;
    const ProgressHandler& m_progress;
    std::function<std::vector<TranscriptSegment>(std::vector<TranscriptSegment>)> m_shown;
};

// A folder of the system's temporary one, private to the user, removed with what it holds.
class TemporaryFolder {
public:
    TemporaryFolder()
        : m_path(std::filesystem::temp_directory_path() /
                 ("brindlewick-echo-" + Uuid::random().string())) {
        std::filesystem::create_directory(m_path);
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The microphone's track without the echo of `system`, written into `folder` (made here), or
// the track as recorded when that cannot be done. A cancelled job stops here too.
std::filesystem::path withoutEcho(const std::filesystem::path& microphone,
                                  const std::filesystem::path& system,
                                  std::optional<TemporaryFolder>& folder, std::stop_token stop) {
    try {
        folder.emplace();
        const auto cleaned = folder->path() / "microphone.caf";
        EchoCanceller::cancel(microphone, system, cleaned, stop);
        return cleaned;
    } catch (const CancellationError&) {
        throw;
    } catch (const std::exception&) {
        // A track that cannot be read fails in the engine with its own message; a full
        // temporary folder only costs the cancelling.
        return microphone;
    }
}

// Whether the other side spoke over most of the stretch: on the microphone's track, speech
// without text there is the echo's.
bool heardOverOthers(const SpeechRegion& region, const std::vector<TranscriptSegment>& others) {
    double covered = 0;
    for (const auto& segment : others) {
        covered += std::max(0.0, std::min(region.end, segment.end) -
                                     std::max(region.start, segment.start));
    }
    return covered * 2 >= region.duration();
}

} // namespace

Transcript TwoTrackTranscriber::transcribe(const Track& microphone, const Track& system,
                                           const TranscriptionOptions& options,
                                           const ProgressHandler& progress,
                                           std::stop_token stop) const {
    // Where an interrupted job had got to: in the first pass, or past it into the second.
    const auto& resumed = options.resumeFrom;
    const bool firstPassDone = resumed && resumed->position >= system.duration;

    PartialTranscript first; // this computer's sound, once transcribed
    Transcript systemTranscript;
    if (firstPassDone) {
        first = {system.duration, onlyOf(resumed->segments, Speaker::others),
                 resumed->unrecognizedSpeech};
        systemTranscript.audioDuration = system.duration;
    } else {
        TranscriptionOptions passOptions = options;
        if (resumed) {
            passOptions.resumeFrom =
                PartialTranscript{resumed->position, onlyOf(resumed->segments, Speaker::others),
                                  resumed->unrecognizedSpeech};
        }
        const PartialTranscript none;
        systemTranscript = m_engine.transcribe(
            system.file, passOptions,
            PassReports(Speaker::others, 0, microphone.duration, none, progress,
                        [](std::vector<TranscriptSegment> segments) { return segments; }),
            stop);
        first = {system.duration, spokenBy(systemTranscript.segments, Speaker::others),
                 systemTranscript.unrecognizedSpeech};
        // The first pass's work is kept before the second begins, so that it is not repeated.
        if (progress && microphone.duration > 0) {
            progress(TranscriptionProgress(TranscriptionProgress::Phase::transcribing,
                                           system.duration, system.duration + microphone.duration,
                                           std::nullopt, {}, first));
        }
    }

    TranscriptionOptions passOptions = options;
    passOptions.resumeFrom.reset();
    PartialTranscript earlier = first;
    if (firstPassDone && resumed->position > system.duration) {
        // The engine puts the resumed work first in its transcript: the first pass's speech
        // without text goes through it, so it is not kept twice.
        passOptions.resumeFrom =
            PartialTranscript{resumed->position - system.duration,
                              onlyOf(resumed->segments, Speaker::me), resumed->unrecognizedSpeech};
        earlier.unrecognizedSpeech.clear();
    }
    const auto& others = first.segments;
    std::optional<TemporaryFolder> cleanedFolder;
    const auto microphoneFile = m_options.cancelEcho
                                    ? withoutEcho(microphone.file, system.file, cleanedFolder, stop)
                                    : microphone.file;
    const auto& echoes = m_options.echoes;
    auto microphoneTranscript = m_engine.transcribe(
        microphoneFile, passOptions,
        PassReports(Speaker::me, system.duration, 0, earlier, progress,
                    [&echoes, &others](std::vector<TranscriptSegment> segments) {
                        return echoes.withoutEchoes(std::move(segments), others);
                    }),
        stop);

    Transcript transcript = microphoneTranscript;
    auto segments = joined(
        echoes.withoutEchoes(spokenBy(microphoneTranscript.segments, Speaker::me), others), others);
    std::stable_sort(
        segments.begin(), segments.end(),
        [](const TranscriptSegment& a, const TranscriptSegment& b) { return a.start < b.start; });
    transcript.segments = std::move(segments);
    transcript.audioDuration =
        std::max(microphoneTranscript.audioDuration, systemTranscript.audioDuration);
    auto unheard = microphoneTranscript.unrecognizedSpeech;
    std::erase_if(
        unheard, [&others](const SpeechRegion& region) { return heardOverOthers(region, others); });
    transcript.unrecognizedSpeech = joined(earlier.unrecognizedSpeech, unheard);
    std::stable_sort(
        transcript.unrecognizedSpeech.begin(), transcript.unrecognizedSpeech.end(),
        [](const SpeechRegion& a, const SpeechRegion& b) { return a.start < b.start; });
    return transcript;
}

} // namespace bw
