#include "ui/transcription_progress_view.h"

#include "library/copy.h"
#include "ui/text_styles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace bw::ui {

namespace {

constexpr int barSteps = 1000;

} // namespace

TranscriptionProgressView::TranscriptionProgressView(QWidget* parent)
    : QWidget(parent), m_bar(new QProgressBar(this)), m_status(new QLabel(this)),
      m_estimate(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar);
    auto* row = new QHBoxLayout;
    for (QLabel* label : {m_status, m_estimate}) {
        label->setFont(TextStyles::callout(font()));
    }
    m_estimate->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(m_status);
    row->addStretch();
    row->addWidget(m_estimate);
    layout->addLayout(row);
}

void TranscriptionProgressView::setJob(const TranscriptionJob& job) {
    if (job.phase == TranscriptionJob::Phase::loadingModel) {
        m_bar->setRange(0, 0); // moves without a figure
    } else {
        m_bar->setRange(0, barSteps);
        m_bar->setValue(int(std::lround(job.shownFraction() * barSteps)));
    }
    m_status->setText(status(job));
    m_estimate->setText(estimate(job));
}

QString TranscriptionProgressView::status(const TranscriptionJob& job) {
    switch (job.phase) {
    case TranscriptionJob::Phase::loadingModel:
        if (job.resumedFrom) {
            return QString::fromStdString(Copy::resumingTranscription(*job.resumedFrom));
        }
        return "Loading the speech model…";
    case TranscriptionJob::Phase::saving:
        return "Saving the transcript…";
    case TranscriptionJob::Phase::transcribing:
        break;
    }
    return QString("Transcribing… %1%").arg(job.wholePercent());
}

QString TranscriptionProgressView::estimate(const TranscriptionJob& job) {
    if (job.phase != TranscriptionJob::Phase::transcribing) {
        return {};
    }
    if (!job.estimatedFinish) {
        return "Estimating when it will be ready…";
    }
    return QString::fromStdString(Copy::estimatedFinish(*job.estimatedFinish));
}

} // namespace bw::ui
