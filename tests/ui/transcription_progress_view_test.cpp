#include "ui/transcription_progress_view.h"

#include "library/copy.h"
#include "ui/transcript_test_support.h"
#include "ui/widget_test_app.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>

namespace bw {
namespace {

TEST(TranscriptionProgressViewTest, ShowsThePhaseTheShareDoneAndWhenItWillBeReady) {
    test::widgetApplication();
    using Phase = TranscriptionJob::Phase;
    const auto readyAt = std::chrono::system_clock::now() + std::chrono::minutes(7);
    struct Case {
        Phase phase;
        double fraction;
        std::optional<std::chrono::system_clock::time_point> finish;
        QString status;
        QString estimate;
        int barMaximum; // 0: moving without a figure
    };
    const Case cases[] = {
        {Phase::loadingModel, 0, std::nullopt, "Loading the speech model…", "", 0},
        {Phase::transcribing, 0.429, std::nullopt, "Transcribing… 42%",
         "Estimating when it will be ready…", 1000},
        {Phase::transcribing, 1.0, readyAt, "Transcribing… 100%",
         QString::fromStdString(Copy::estimatedFinish(readyAt)), 1000},
        {Phase::saving, 1.0, readyAt, "Saving the transcript…", "", 1000},
    };
    ui::TranscriptionProgressView view;
    for (const auto& job : cases) {
        SCOPED_TRACE(job.status.toStdString());
        TranscriptionJob running;
        running.phase = job.phase;
        running.fractionCompleted = job.fraction;
        running.estimatedFinish = job.finish;
        view.setJob(running);
        EXPECT_EQ(view.statusLabel().text(), job.status);
        EXPECT_EQ(view.estimateLabel().text(), job.estimate);
        EXPECT_EQ(view.bar().maximum(), job.barMaximum);
        if (job.barMaximum > 0) {
            EXPECT_EQ(view.bar().value(), qRound(job.fraction * job.barMaximum));
        }
    }
}

} // namespace
} // namespace bw
