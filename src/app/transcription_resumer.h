// Carries on the transcriptions that quitting interrupted, one after another: at launch it
// queues every recording of the library that keeps an interrupted job's work and resumes each
// in turn whenever the transcription service has no job. A recording that went away or cannot
// be resumed any more is passed over; one that cannot start keeps the service's failure message.
//
// Main thread only.
#pragma once

#include "library/library_model.h"
#include "service/transcription_service.h"

#include <QObject>

#include <deque>

namespace bw {

class TranscriptionResumer : public QObject {
    Q_OBJECT

public:
    // Neither is owned; both must outlive the resumer.
    TranscriptionResumer(LibraryModel& library, TranscriptionService& service,
                         QObject* parent = nullptr);

    // Queues the recordings with interrupted work, then resumes the first when no job runs.
    void resumeInterrupted();

private:
    void resumeNext();

    LibraryModel& m_library;
    TranscriptionService& m_service;
    std::deque<Uuid> m_waiting;
};

} // namespace bw
