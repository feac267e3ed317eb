#include "service/transcription_service.h"

#include "base/cancellation_error.h"
#include "library/support_texts.h"
#include "library/system_audio_file.h"
#include "platform/audio_file_info.h"
#include "platform/bundle_info.h"
#include "transcription/two_track_transcriber.h"
#include "transcripts/transcript_store_error.h"

#include <cmath>

namespace bw {

namespace {

TranscriptionJob::Phase jobPhase(TranscriptionProgress::Phase phase) {
    switch (phase) {
    case TranscriptionProgress::Phase::loadingModel:
        return TranscriptionJob::Phase::loadingModel;
    case TranscriptionProgress::Phase::transcribing:
        return TranscriptionJob::Phase::transcribing;
    case TranscriptionProgress::Phase::finished:
        return TranscriptionJob::Phase::saving;
    }
    return TranscriptionJob::Phase::transcribing;
}

std::string detailOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return detail(e);
    } catch (...) {
        return " (Unknown error)";
    }
}

bool isCancellation(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const CancellationError&) {
        return true;
    } catch (...) {
        return false;
    }
}

// The measured length, or nothing when the file cannot be read or has no audio.
std::optional<double> measuredDuration(const std::filesystem::path& file) {
    try {
        double duration = AudioFileInfo::of(file).duration;
        if (std::isfinite(duration) && duration > 0) {
            return duration;
        }
    } catch (const std::exception&) {
        // Unreadable: reported to the user as unreadableAudio.
    }
    return std::nullopt;
}

std::string saveFailedMessage(const std::exception& error) {
    return "The transcript couldn't be saved. Check that this computer has enough free disk space, "
           "then try again." +
           detail(error);
}

} // namespace

TranscriptionService::TranscriptionService(LibraryStore library, EngineFactory makeEngine,
                                           Clock now, QObject* parent)
    : QObject(parent), m_library(library), m_transcripts(library),
      m_checkpoints(std::move(library)), m_makeEngine(std::move(makeEngine)),
      m_now(now ? std::move(now) : [] { return std::chrono::system_clock::now(); }) {}

TranscriptionService::~TranscriptionService() = default;

void TranscriptionService::start(const LibraryItem& item, TranscriptionLanguage language) {
    begin(item, language, false);
}

bool TranscriptionService::resume(const LibraryItem& item) {
    if (m_job || m_interrupted) {
        return false;
    }
    const auto checkpoint = m_checkpoints.load(item.id);
    const auto language = checkpoint ? checkpoint->language() : std::nullopt;
    if (!checkpoint || !checkpoint->interrupted || !language) {
        return false;
    }
    return begin(item, *language, true);
}

bool TranscriptionService::begin(const LibraryItem& item, TranscriptionLanguage language,
                                 bool resumingOnly) {
    try {
        if (m_job) {
            throw StartError::busy();
        }
        if (item.state == LibraryItem::State::recording) {
            throw StartError::recording();
        }
        if (!m_engine) {
            try {
                m_engine = m_makeEngine();
            } catch (const std::exception& error) {
                throw StartError::engineUnavailable(error.what());
            }
            if (!m_engine) {
                throw StartError::engineUnavailable("No engine was made.");
            }
        }
        Tracks tracks;
        tracks.microphone.file = m_library.audioFileURL(item);
        auto duration = measuredDuration(tracks.microphone.file);
        if (!duration) {
            throw StartError::unreadableAudio();
        }
        tracks.microphone.duration = *duration;
        // A second track without audio (no sound was playing, or it could not be recorded)
        // leaves the microphone's transcript as a single track's.
        if (auto systemFile = systemAudioFileURL(m_library, item)) {
            if (auto systemDuration = measuredDuration(*systemFile)) {
                tracks.system = TwoTrackTranscriber::Track(*systemFile, *systemDuration);
            }
        }
        const double total =
            tracks.microphone.duration + (tracks.system ? tracks.system->duration : 0);
        auto options = TranscriptionOptions::standard(language);
        auto checkpoint = std::make_shared<TranscriptionCheckpointWriter>(
            m_checkpoints, item.id,
            TranscriptionCheckpoint::Basis::of(*m_engine, options, tracks.microphone.file, total,
                                               tracks.system ? std::optional(tracks.system->file)
                                                             : std::nullopt));
        options.resumeFrom = checkpoint->takeOver(!resumingOnly);
        if (resumingOnly && !options.resumeFrom) {
            return false;
        }
        Job job(item.id, language, total);
        if (const auto& resumed = options.resumeFrom) {
            job.fractionCompleted = resumed->position / total;
            job.segments = resumed->segments;
            // Said in seconds of the track being transcribed: the microphone's comes second.
            const double systemDuration = tracks.system ? tracks.system->duration : 0;
            job.resumedFrom = resumed->position >= systemDuration
                                  ? resumed->position - systemDuration
                                  : resumed->position;
        }
        setFailure(item.id, std::nullopt);
        m_checkpoint = std::move(checkpoint);
        setJob(std::move(job));
        run(std::move(tracks), std::move(options));
        return true;
    } catch (const StartError& error) {
        setFailure(item.id, error.message());
        throw;
    }
}

void TranscriptionService::run(Tracks tracks, TranscriptionOptions options) {
    m_cancelRequested = false;
    // The previous job's worker has already reported its end; start() only waits for it to exit.
    m_work.start([this, engine = m_engine, checkpoint = m_checkpoint, tracks = std::move(tracks),
                  options = std::move(options)](std::stop_token stop,
                                                const BackgroundWork::Post& post) {
        std::optional<Transcript> transcript;
        std::exception_ptr error;
        try {
            ProgressHandler progress = [this, &post,
                                        &checkpoint](const TranscriptionProgress& progress) {
                if (progress.finishedWork) {
                    checkpoint->save(*progress.finishedWork);
                }
                // The main thread needs no copy of the work.
                TranscriptionProgress shown(progress.phase, progress.processedDuration,
                                            progress.totalDuration, progress.estimatedTimeRemaining,
                                            progress.newSegments);
                post([this, shown = std::move(shown)] { applyProgress(shown); });
            };
            transcript = tracks.system
                             ? TwoTrackTranscriber(*engine).transcribe(
                                   tracks.microphone, *tracks.system, options, progress, stop)
                             : engine->transcribe(tracks.microphone.file, options, progress, stop);
        } catch (...) {
            error = std::current_exception();
        }
        // A job that failed would fail again from its checkpoint as likely as from the start.
        if (error && !isCancellation(error) && !checkpoint->isInterrupted()) {
            checkpoint->discard();
        }
        // Queued after every progress report, so the job ends after its last report is shown.
        auto result = std::make_shared<std::optional<Transcript>>(std::move(transcript));
        post([this, result, error] { finish(std::move(*result), error); });
    });
}

// Changes the job in place: the segments so far are neither copied nor compared, so a report
// costs the same however long the transcript has grown.
void TranscriptionService::applyProgress(const TranscriptionProgress& progress) {
    if (!m_job) {
        return;
    }
    Job& job = *m_job;
    const auto phase = jobPhase(progress.phase);
    const double fraction = progress.fractionCompleted();
    auto finish = progress.estimatedFinishDate(m_now());
    if (phase == job.phase && fraction == job.fractionCompleted && finish == job.estimatedFinish &&
        progress.newSegments.empty()) {
        return;
    }
    job.phase = phase;
    job.fractionCompleted = fraction;
    job.estimatedFinish = finish;
    job.segments.insert(job.segments.end(), progress.newSegments.begin(),
                        progress.newSegments.end());
    emit jobChanged();
}

void TranscriptionService::finish(std::optional<Transcript> transcript, std::exception_ptr error) {
    if (!m_job) {
        return;
    }
    Uuid itemID = m_job->itemID;
    if (transcript) {
        // A finished transcript is kept even when cancelling came too late to stop it.
        if (m_job->phase != Job::Phase::saving) {
            m_job->phase = Job::Phase::saving;
            emit jobChanged();
        }
        try {
            m_transcripts.save(TranscriptDocument(*transcript, m_now()), itemID);
            m_checkpoint->discard();
            ++m_savedTranscripts[itemID];
            emit savedTranscriptsChanged();
        } catch (const TranscriptStoreError& saveError) {
            // itemNotFound: the recording was deleted meanwhile; nothing to report.
            if (saveError.kind() != TranscriptStoreError::Kind::itemNotFound) {
                setFailure(itemID, saveFailedMessage(saveError));
            }
        } catch (const std::exception& saveError) {
            setFailure(itemID, saveFailedMessage(saveError));
        }
    } else if (!m_cancelRequested && !isCancellation(error)) {
        setFailure(itemID, "The transcription stopped because of an error. Try again; if it "
                           "fails again, email " +
                               BundleInfo::supportEmail() + " with this message." +
                               detailOf(error));
    }
    setJob(std::nullopt);
}

void TranscriptionService::cancel() {
    if (m_job) {
        m_checkpoint->discard();
        m_cancelRequested = true;
        m_work.requestStop();
    }
}

void TranscriptionService::interrupt() {
    m_interrupted = true;
    if (m_job) {
        m_checkpoint->markInterrupted();
        m_cancelRequested = true;
        m_work.requestStop();
    }
}

void TranscriptionService::cancel(const Uuid& itemID) {
    if (isTranscribing(itemID)) {
        cancel();
    }
    setFailure(itemID, std::nullopt);
}

void TranscriptionService::setJob(std::optional<Job> job) {
    if (job == m_job) {
        return;
    }
    m_job = std::move(job);
    emit jobChanged();
}

void TranscriptionService::setFailure(const Uuid& itemID, std::optional<std::string> message) {
    auto found = m_failures.find(itemID);
    if (!message) {
        if (found == m_failures.end()) {
            return;
        }
        m_failures.erase(found);
    } else if (found == m_failures.end()) {
        m_failures.emplace(itemID, std::move(*message));
    } else if (found->second != *message) {
        found->second = std::move(*message);
    } else {
        return;
    }
    emit failuresChanged();
}

} // namespace bw
