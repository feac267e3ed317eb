#include "support/readable_param_name.h"
#include "transcription/progress_reporter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

namespace bw {
namespace {

using Phase = TranscriptionProgress::Phase;
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct EstimateCase {
    double processed;
    double elapsed;
    std::optional<double> expected;

    friend void PrintTo(const EstimateCase& c, std::ostream* out) {
        *out << "processed " << c.processed << " elapsed " << c.elapsed;
    }
};

class Estimate : public testing::TestWithParam<EstimateCase> {};

TEST_P(Estimate, ScalesElapsedTimeToTheRemainingAudio) {
    ProgressEstimator estimator(120, 1000, 2.0);
    EXPECT_EQ(estimator.estimatedTimeRemaining(GetParam().processed, 1000 + GetParam().elapsed),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Estimate,
    testing::Values(EstimateCase{30, 1.5, std::nullopt}, EstimateCase{30, 10, 30.0},
                    EstimateCase{30, 2, 6.0}, EstimateCase{0, 10, std::nullopt},
                    EstimateCase{-1, 10, std::nullopt}, EstimateCase{nan, 10, std::nullopt},
                    EstimateCase{30, nan, std::nullopt}, EstimateCase{150, 10, 0.0}),
    test::ReadableParamName());

class Reporter : public testing::Test {
protected:
    double now = 1000;
    std::vector<TranscriptionProgress> reports;
    ProgressReporter reporter{ProgressEstimator(120, 1000, 2.0),
                              [this](const TranscriptionProgress& p) { reports.push_back(p); },
                              [this] { return now; }};
};

TEST_F(Reporter, PositionNeverGoesBackOrPastTheEnd) {
    now = 1010;
    reporter.report(Phase::transcribing, 30, {});
    reporter.report(Phase::transcribing, 20, {});
    reporter.report(Phase::transcribing, nan, {});
    reporter.report(Phase::transcribing, 500, {});
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0], (TranscriptionProgress{Phase::transcribing, 30, 120, 30.0, {}}));
    EXPECT_EQ(reports[1].processedDuration, 30);
    EXPECT_EQ(reports[2].processedDuration, 30);
    EXPECT_EQ(reports[3].processedDuration, 120);
    EXPECT_EQ(reports[3].estimatedTimeRemaining, 0.0);
}

TEST_F(Reporter, NoEstimateEarlyOrAtTheStart) {
    now = 1010;
    reporter.report(Phase::transcribing, 0, {});
    now = 1001.5;
    reporter.report(Phase::transcribing, 30, {});
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_FALSE(reports[0].estimatedTimeRemaining);
    EXPECT_FALSE(reports[1].estimatedTimeRemaining);
}

TEST_F(Reporter, SegmentsPassThroughEvenWithoutProgress) {
    reporter.report(Phase::transcribing, 60, {});
    std::vector<TranscriptSegment> segments{{1, 2, "a"}, {3, 4, "b"}};
    reporter.report(Phase::transcribing, 10, segments);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[1].processedDuration, 60);
    EXPECT_EQ(reports[1].newSegments, segments);
}

TEST(ProgressReporter, ConcurrentReportsStayMonotonicForEachCaller) {
    // The handler runs on the reporting thread, after the lock: each thread sees its own
    // reports never go back and never below what it passed, whatever the others report.
    thread_local double passed = 0;
    thread_local double lastSeen = 0;
    std::atomic<int> faults = 0;
    std::atomic<int> count = 0;
    ProgressReporter reporter(
        ProgressEstimator(1000, systemUptime(), 2.0), [&](const TranscriptionProgress& p) {
            if (p.processedDuration < passed || p.processedDuration < lastSeen) {
                ++faults;
            }
            lastSeen = p.processedDuration;
            ++count;
        });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&reporter, t] {
            for (int i = 0; i < 2000; ++i) {
                passed = i * 0.5 + t * 0.1;
                reporter.report(Phase::transcribing, passed, {});
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(count, 8000);
    EXPECT_EQ(faults, 0);
}

TEST(ProgressReporter, EmptyHandlerIgnoresReports) {
    ProgressReporter reporter(ProgressEstimator(10, 0, 2.0), {});
    reporter.report(Phase::transcribing, 5, {});
}

} // namespace
} // namespace bw
