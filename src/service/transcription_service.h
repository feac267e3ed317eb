// The application's side of transcription: turns "transcribe this recording in this language"
// into one running job, runs the engine on a worker thread, mirrors its progress into `job()`,
// saves the finished transcript beside the recording and keeps the last failure message of
// each recording. One job at a time; the engine is made on the first start and kept.
//
// After every finished chunk the job's work so far is kept beside the recording as a
// checkpoint. A job over the same audio with the same engine, model and options carries on from
// it, repeating at most the chunk that was running; the checkpoint goes when the transcript is
// saved, when the user cancels the job and when the job fails. Quitting keeps it, marked for
// resume().
//
// A recording with a second track (this computer's sound) is transcribed as two passes of one
// job through TwoTrackTranscriber: its progress, segments and checkpoint cover both tracks, and
// the saved transcript names each segment's speaker.
//
// Lives on the main thread: every function must be called there and every signal is emitted
// there. Progress reaches the main thread as queued calls, in the order the engine reported it.
#pragma once

#include "async/background_work.h"
#include "library/library_item.h"
#include "library/library_store.h"
#include "service/transcription_checkpoint_store.h"
#include "service/transcription_checkpoint_writer.h"
#include "service/transcription_job.h"
#include "service/transcription_start_error.h"
#include "transcription/transcription_engine.h"
#include "transcription/two_track_transcriber.h"
#include "transcripts/transcript_store.h"

#include <QObject>

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace bw {

class TranscriptionService : public QObject {
    Q_OBJECT

public:
    using Job = TranscriptionJob;
    using StartError = TranscriptionStartError;
    // Makes the engine; may throw (its what() becomes part of the engineUnavailable message).
    using EngineFactory = std::function<std::shared_ptr<TranscriptionEngine>()>;
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `now` defaults to the system clock.
    TranscriptionService(LibraryStore library, EngineFactory makeEngine, Clock now = {},
                         QObject* parent = nullptr);
    // Cancels a running job and waits for its worker thread to stop.
    ~TranscriptionService() override;

    // Throws StartError (and records its message under the item) when the job cannot start;
    // otherwise the job is running when this returns, carrying on from the recording's
    // checkpoint when that was made with the same basis (job()->resumedFrom says so).
    void start(const LibraryItem& item, TranscriptionLanguage language);
    // Starts the job that quitting interrupted, in its language, when the item's checkpoint
    // can be carried on from and no job runs; tells whether it started. Throws as start().
    // Starts nothing once interrupt() was called: the application is quitting.
    bool resume(const LibraryItem& item);
    // Cancels the running job, whichever recording it is for, and discards its work. Its end
    // is reported later, without a failure message.
    void cancel();
    // Stops the running job as cancel() does but keeps its work for resume(): for quitting.
    void interrupt();
    // Cancels the job if it is for this recording, and forgets the recording's failure.
    void cancel(const Uuid& itemID);

    bool isTranscribing(const Uuid& itemID) const { return m_job && m_job->itemID == itemID; }
    bool isRunning() const { return m_job.has_value(); }

    const std::optional<Job>& job() const { return m_job; }
    const std::map<Uuid, std::string>& failures() const { return m_failures; }
    // How many times a transcript was saved per recording since the service was made.
    const std::map<Uuid, std::int64_t>& savedTranscripts() const { return m_savedTranscripts; }

    const LibraryStore& library() const { return m_library; }
    const TranscriptStore& transcripts() const { return m_transcripts; }
    // The engine once the first start made it; the application shuts it down when quitting.
    const std::shared_ptr<TranscriptionEngine>& engine() const { return m_engine; }

signals:
    void jobChanged();
    void failuresChanged();
    void savedTranscriptsChanged();

private:
    // start() and resume(): with `resumingOnly`, starts only a job that carries on from the
    // checkpoint, and tells whether it started.
    bool begin(const LibraryItem& item, TranscriptionLanguage language, bool resumingOnly);
    // The recording's audio: the microphone's, and this computer's sound when it has two tracks.
    struct Tracks {
        TwoTrackTranscriber::Track microphone;
        std::optional<TwoTrackTranscriber::Track> system;
    };
    void run(Tracks tracks, TranscriptionOptions options);
    void applyProgress(const TranscriptionProgress& progress);
    void finish(std::optional<Transcript> transcript, std::exception_ptr error);
    void setJob(std::optional<Job> job);
    void setFailure(const Uuid& itemID, std::optional<std::string> message);

    LibraryStore m_library;
    TranscriptStore m_transcripts;
    TranscriptionCheckpointStore m_checkpoints;
    EngineFactory m_makeEngine;
    Clock m_now;
    std::shared_ptr<TranscriptionEngine> m_engine;

    std::optional<Job> m_job;
    std::map<Uuid, std::string> m_failures;
    std::map<Uuid, std::int64_t> m_savedTranscripts;

    bool m_cancelRequested = false;
    bool m_interrupted = false;                                  // interrupt() was called
    std::shared_ptr<TranscriptionCheckpointWriter> m_checkpoint; // the running job's
    // The running job's worker; a later job's start drops the reports of an earlier one.
    // Declared last: it stops and joins its thread before the members above go away.
    BackgroundWork m_work{this};
};

} // namespace bw
