#include "recording/track_timeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace bw {
namespace {

constexpr double rate = 16000;
constexpr double origin = 5000; // a monotonic clock that has run for a while

// A stretch of capture whose data never reaches the timeline.
struct Loss {
    double at;     // seconds into the recording
    double length; // seconds
};

struct TimelineCase {
    std::string name;
    double minutes;
    double driftPpm; // the source's clock against the monotonic one
    double jitter;   // ± seconds on every capture time
    std::vector<Loss> losses;
    double maximumErrorMs;
    friend void PrintTo(const TimelineCase& c, std::ostream* out) { *out << c.name; }
};

// A source of `driftPpm` delivering 85 ms buffers stamped with jittered capture times, with a
// click every ten seconds of its own clock; where each click lands on the timeline against
// where its capture time puts it.
struct Outcome {
    double maximumErrorMs = 0;
    int clicksFound = 0;
    int clicksExpected = 0;
    double measuredPpm = 0;
    double silence = 0;
    double dropped = 0;
    double length = 0;
    double end = 0;  // the last sample delivered, in seconds after the origin
    double lost = 0; // seconds of data lost
};

Outcome simulate(const TimelineCase& c) {
    TrackTimeline timeline(origin);
    std::mt19937 random(7);
    std::uniform_real_distribution<double> jitter(-c.jitter, c.jitter);
    const double deviceRate = rate * (1 + c.driftPpm * 1e-6);
    const auto total = static_cast<std::int64_t>(c.minutes * 60 * deviceRate);
    const std::int64_t bufferSize = 1360;
    const auto clickEvery = static_cast<std::int64_t>(10 * rate);
    const double start = 0.040; // the first frame's capture, after the origin
    auto captureTime = [&](std::int64_t n) { return origin + start + double(n) / deviceRate; };
    auto isLost = [&](std::int64_t n) {
        const double t = captureTime(n) - origin;
        return std::any_of(c.losses.begin(), c.losses.end(),
                           [&](const Loss& l) { return t >= l.at && t < l.at + l.length; });
    };

    Outcome outcome;
    std::vector<std::int16_t> buffer(bufferSize), out;
    std::vector<double> expected; // timeline positions of the clicks delivered, in order
    std::size_t next = 0;
    for (std::int64_t n = 0; n < total; n += bufferSize) {
        if (isLost(n)) {
            outcome.lost += double(bufferSize) / deviceRate;
            continue;
        }
        std::fill(buffer.begin(), buffer.end(), std::int16_t(0));
        for (std::int64_t i = n; i < n + bufferSize; ++i) {
            if (i % clickEvery == clickEvery / 2) {
                buffer[std::size_t(i - n)] = 30000;
                expected.push_back((captureTime(i) - origin) * rate);
            }
        }
        outcome.end = captureTime(n + bufferSize) - origin;
        out.clear();
        const std::int64_t before = timeline.position();
        timeline.append(captureTime(n) + jitter(random), buffer, out);
        for (std::size_t k = 0; k < out.size(); ++k) {
            if (out[k] > 10000 && (k == 0 || out[k - 1] <= out[k]) &&
                (k + 1 == out.size() || out[k + 1] < out[k])) {
                if (next < expected.size()) {
                    const double found = double(before) + double(k);
                    outcome.maximumErrorMs = std::max(
                        outcome.maximumErrorMs, std::abs(found - expected[next]) / rate * 1000);
                }
                ++next;
                ++outcome.clicksFound;
            }
        }
    }
    out.clear();
    timeline.extendTo(origin + outcome.end, out);
    outcome.clicksExpected = int(expected.size());
    outcome.measuredPpm = timeline.driftPpm();
    outcome.silence = double(timeline.silenceInserted()) / rate;
    outcome.dropped = double(timeline.samplesDropped()) / rate;
    outcome.length = double(timeline.position()) / rate;
    return outcome;
}

class Timeline : public ::testing::TestWithParam<TimelineCase> {};

TEST_P(Timeline, KeepsEveryClickWhereItsCaptureTimePutsIt) {
    const auto& c = GetParam();
    const Outcome outcome = simulate(c);
    EXPECT_EQ(outcome.clicksFound, outcome.clicksExpected) << "every click comes out once";
    EXPECT_GT(outcome.clicksExpected, 0);
    EXPECT_LT(outcome.maximumErrorMs, c.maximumErrorMs);
    // The track is as long as the clock ran (within the tolerance), whatever the source
    // delivered.
    EXPECT_NEAR(outcome.length, outcome.end, 0.010);
    // Losses become silence of their length (within the tolerance and a buffer's rounding);
    // a drift the resampling corrects needs neither silence nor cuts beyond the start.
    EXPECT_NEAR(outcome.silence, 0.040 + outcome.lost, 0.02);
    if (std::abs(c.driftPpm) > 60) {
        EXPECT_NEAR(outcome.measuredPpm, c.driftPpm, 5);
        EXPECT_LT(outcome.dropped, 0.02);
    }
}

INSTANTIATE_TEST_SUITE_P(
    TrackTimeline, Timeline,
    ::testing::Values(TimelineCase{"SteadySource", 2, 0, 0, {}, 1},
                      TimelineCase{"JitteredSource", 2, 0, 0.004, {}, 3},
                      // A few buffers that never arrive.
                      TimelineCase{"GapIsFilledWithSilence", 2, 0, 0.002, {{30, 0.25}}, 3},
                      // The stream delivers nothing for seconds, twice, then carries on.
                      TimelineCase{
                          "StallsAreFilledWithSilence", 3, 20, 0.003, {{40, 5}, {100, 12}}, 10},
                      TimelineCase{"FastClockOverAnHour", 60, 100, 0.003, {}, 20},
                      TimelineCase{"SlowClockOverAnHour", 60, -100, 0.003, {}, 20},
                      // Below the resampling threshold: kept in step by short silences and cuts.
                      TimelineCase{"SmallDriftOverHalfAnHour", 30, 40, 0.003, {}, 20}),
    [](const auto& info) { return info.param.name; });

TEST(TrackTimeline, LeavesAPauseOutAndFollowsDataWithoutCaptureTimes) {
    TrackTimeline timeline(origin);
    std::vector<std::int16_t> buffer(1600, 100), out;
    timeline.append(origin, buffer, out);
    timeline.pause(origin + 0.1);
    timeline.resume(origin + 7.1);
    timeline.append(origin + 7.1, buffer, out);
    timeline.append(std::nullopt, buffer, out);
    EXPECT_EQ(out.size(), 4800u);
    EXPECT_EQ(out[1599], 100);
    EXPECT_EQ(timeline.silenceInserted(), 0);
    timeline.extendTo(origin + 7.5, out);
    EXPECT_EQ(timeline.position(), 8000);
}

} // namespace
} // namespace bw
