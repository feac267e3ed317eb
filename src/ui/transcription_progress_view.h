// How far the running transcription has come: a progress bar (moving without a figure while the
// speech model loads), the phase with the share done, and when it should be ready.
#pragma once

#include "service/transcription_job.h"

#include <QWidget>

class QLabel;
class QProgressBar;

namespace bw::ui {

class TranscriptionProgressView : public QWidget {
    Q_OBJECT

public:
    explicit TranscriptionProgressView(QWidget* parent = nullptr);

    void setJob(const TranscriptionJob& job);

    // "Loading the speech model…", "Transcribing… 42%" or "Saving the transcript…".
    static QString status(const TranscriptionJob& job);
    // While transcribing, the estimate of when it will be ready (or that one is being made);
    // empty in the other phases.
    static QString estimate(const TranscriptionJob& job);

    QProgressBar& bar() const { return *m_bar; }
    QLabel& statusLabel() const { return *m_status; }
    QLabel& estimateLabel() const { return *m_estimate; }

private:
    QProgressBar* m_bar;
    QLabel* m_status;
    QLabel* m_estimate;
};

} // namespace bw::ui
