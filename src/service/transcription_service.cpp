#include "service/transcription_service.h"

#include "library/support_texts.h"
#include "platform/audio_file_info.h"
#include "platform/bundle_info.h"
#include "transcription/cancellation_error.h"
#include "transcripts/transcript_store_error.h"

#include <QMetaObject>
#include <QPointer>

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
    : QObject(parent), m_library(library), m_transcripts(std::move(library)),
      m_makeEngine(std::move(makeEngine)),
      m_now(now ? std::move(now) : [] { return std::chrono::system_clock::now(); }) {}

TranscriptionService::~TranscriptionService() {
    stopWorker();
}

void TranscriptionService::stopWorker() {
    m_stop.request_stop();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void TranscriptionService::start(const LibraryItem& item, TranscriptionLanguage language) {
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
        auto audioFile = m_library.audioFileURL(item);
        auto duration = measuredDuration(audioFile);
        if (!duration) {
            throw StartError::unreadableAudio();
        }
        setFailure(item.id, std::nullopt);
        setJob(Job{item.id, language, *duration, Job::Phase::loadingModel, 0, std::nullopt, {}});
        run(audioFile, language);
    } catch (const StartError& error) {
        setFailure(item.id, error.message());
        throw;
    }
}

void TranscriptionService::run(const std::filesystem::path& audioFile,
                               TranscriptionLanguage language) {
    // The previous job's worker has already reported its end; it only has to exit.
    stopWorker();
    m_stop = std::stop_source();
    m_cancelRequested = false;
    std::uint64_t jobNumber = ++m_jobNumber;

    // The worker never outlives the service (the destructor joins it), so posting to `this`
    // is safe; the guard also keeps a call queued during destruction from running.
    auto post = [target = this, guard = QPointer<TranscriptionService>(this)](auto call) {
        QMetaObject::invokeMethod(
            target,
            [guard, call = std::move(call)]() mutable {
                if (guard) {
                    call(*guard);
                }
            },
            Qt::QueuedConnection);
    };
    m_worker = std::thread(
        [post, engine = m_engine, audioFile, language, jobNumber, stop = m_stop.get_token()] {
            std::optional<Transcript> transcript;
            std::exception_ptr error;
            try {
                transcript = engine->transcribe(
                    audioFile, TranscriptionOptions::standard(language),
                    [&post, jobNumber](const TranscriptionProgress& progress) {
                        post([jobNumber, progress](TranscriptionService& service) {
                            service.applyProgress(jobNumber, progress);
                        });
                    },
                    stop);
            } catch (...) {
                error = std::current_exception();
            }
            // Queued after every progress report, so the job ends after its last report is shown.
            post([jobNumber, transcript = std::move(transcript),
                  error](TranscriptionService& service) mutable {
                service.finish(jobNumber, std::move(transcript), error);
            });
        });
}

void TranscriptionService::applyProgress(std::uint64_t jobNumber,
                                         const TranscriptionProgress& progress) {
    if (jobNumber != m_jobNumber || !m_job) {
        return;
    }
    Job job = *m_job;
    job.phase = jobPhase(progress.phase);
    job.fractionCompleted = progress.fractionCompleted();
    job.estimatedFinish = progress.estimatedFinishDate(m_now());
    job.segments.insert(job.segments.end(), progress.newSegments.begin(),
                        progress.newSegments.end());
    setJob(std::move(job));
}

void TranscriptionService::finish(std::uint64_t jobNumber, std::optional<Transcript> transcript,
                                  std::exception_ptr error) {
    if (jobNumber != m_jobNumber || !m_job) {
        return;
    }
    Uuid itemID = m_job->itemID;
    if (transcript) {
        // A finished transcript is kept even when cancelling came too late to stop it.
        Job saving = *m_job;
        saving.phase = Job::Phase::saving;
        setJob(std::move(saving));
        try {
            m_transcripts.save(TranscriptDocument(*transcript, m_now()), itemID);
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
        m_cancelRequested = true;
        m_stop.request_stop();
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
