#include "fakes/fake_microphone_engine.h"
#include "recording/microphone_source.h"

#include <gtest/gtest.h>

#include <set>

namespace bw {
namespace {

using SampleType = CaptureFormat::SampleType;

class MicrophoneSourceTest : public ::testing::Test {
public:
    std::shared_ptr<MicrophoneSource> makeSource(std::optional<std::uint32_t> picked) {
        auto engine = std::make_unique<FakeMicrophoneEngine>(log);
        this->engine = engine.get();
        MicrophoneDevices devices{[this] { return defaultDevice; },
                                  [this](std::uint32_t id) { return present.count(id) > 0; }};
        return std::make_shared<MicrophoneSource>(picked, std::move(engine), devices,
                                                  [this] { return clock; });
    }

    std::shared_ptr<MicrophoneSource> started(std::optional<std::uint32_t> picked) {
        auto source = makeSource(picked);
        source->start([](const CaptureBuffer&) {}, [this] { ++stops; });
        return source;
    }

    // Something the recording uses changes: the input's format toggles.
    void changeFormat() {
        engine->format.sampleRate = engine->format.sampleRate == 48000 ? 44100 : 48000;
    }

    FakeMicrophoneEngine::Log log;
    FakeMicrophoneEngine* engine = nullptr;
    std::optional<std::uint32_t> defaultDevice = 1;
    std::set<std::uint32_t> present{1, 2, 7};
    double clock = 100;
    int stops = 0;
};

TEST_F(MicrophoneSourceTest, StartsOnThePickedDeviceOnceAndStartingAgainDoesNothing) {
    auto source = started(7);
    source->start([](const CaptureBuffer&) {}, [] {});
    EXPECT_EQ(log.calls, (std::vector<std::string>{"select 7", "installTap", "start"}));
    EXPECT_EQ(source->restartLimit().lastStart, 100);
}

TEST_F(MicrophoneSourceTest, AFailedStartTearsDownAndPassesTheErrorOn) {
    auto source = makeSource(7);
    engine->failSelect = true;
    EXPECT_THROW(source->start([](const CaptureBuffer&) {}, [this] { ++stops; }), AudioInputError);
    EXPECT_EQ(log.count("stop"), 1);
    EXPECT_EQ(engine->onChange, nullptr);

    auto silent = makeSource(std::nullopt);
    engine->format = CaptureFormat{SampleType::signedInt16LittleEndian, 0, 0};
    try {
        silent->start([](const CaptureBuffer&) {}, [] {});
        FAIL() << "a start without a usable input format succeeded";
    } catch (const AudioInputError& error) {
        EXPECT_EQ(error.kind(), AudioInputError::Kind::noInputAvailable);
    }
    EXPECT_EQ(stops, 0); // a failed start is no stop by itself
}

struct ChangeCase {
    std::string name;
    std::optional<std::uint32_t> picked;
    std::function<void(MicrophoneSourceTest&)> change;
    std::vector<std::string> expectedCalls; // after the start's own calls
    int expectedStops;
    friend void PrintTo(const ChangeCase& c, std::ostream* out) { *out << c.name; }
};

class ConfigurationChange : public MicrophoneSourceTest,
                            public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ConfigurationChange, IsIgnoredRestartsOrGivesUp) {
    const auto& c = GetParam();
    auto source = started(c.picked);
    log.calls.clear();
    c.change(*this);
    clock += 1;
    engine->changeConfiguration();
    EXPECT_EQ(log.calls, c.expectedCalls);
    EXPECT_EQ(stops, c.expectedStops);
}

const std::vector<std::string> tearDownCalls{"removeTap", "stop"};

INSTANTIATE_TEST_SUITE_P(
    MicrophoneSource, ConfigurationChange,
    ::testing::Values(ChangeCase{"AnotherDevicePluggedIn", 7, [](auto&) {}, {}, 0},
                      ChangeCase{"DefaultSwitchedRestartsOnTheStartDevice",
                                 std::nullopt,
                                 [](auto& t) { t.defaultDevice = 2; },
                                 {"stop", "select 1", "installTap", "start"},
                                 0},
                      ChangeCase{"FormatChangedRestartsOnThePickedDevice",
                                 7,
                                 [](auto& t) { t.changeFormat(); },
                                 {"stop", "installTap", "start"},
                                 0},
                      ChangeCase{"DeviceUnpluggedGivesUp", 7, [](auto& t) { t.present.erase(7); },
                                 tearDownCalls, 1},
                      ChangeCase{"DefaultDeviceUnpluggedGivesUp", std::nullopt,
                                 [](auto& t) { t.present.erase(1); }, tearDownCalls, 1},
                      ChangeCase{"FailedRestartGivesUp",
                                 7,
                                 [](auto& t) {
                                     t.changeFormat();
                                     t.engine->failStart = true;
                                 },
                                 {"stop", "installTap", "start", "removeTap", "stop"},
                                 1}),
    [](const auto& info) { return info.param.name; });

TEST_F(MicrophoneSourceTest, GivesUpOnTheFourthChangeInQuickSuccession) {
    auto source = started(7);
    for (int change = 1; change <= 4; ++change) {
        clock += 1;
        changeFormat();
        engine->changeConfiguration();
        EXPECT_EQ(stops, change == 4 ? 1 : 0) << "change " << change;
    }
    EXPECT_EQ(log.count("start"), 1 + 3);
    engine->changeConfiguration(); // a stopped source ignores everything
    EXPECT_EQ(stops, 1);
}

TEST_F(MicrophoneSourceTest, AChangeAfterTheSettleTimeStartsANewSeries) {
    auto source = started(7);
    for (int change = 1; change <= 5; ++change) {
        clock += 6;
        changeFormat();
        engine->changeConfiguration();
        EXPECT_EQ(source->restartLimit().restartsInARow, 1);
    }
    EXPECT_EQ(stops, 0);
    EXPECT_EQ(log.count("start"), 1 + 5);
}

TEST_F(MicrophoneSourceTest, AChangeWhilePausedRestartsOnResumeOrFailsWhenTheDeviceIsGone) {
    auto source = started(7);
    source->pause();
    log.calls.clear();
    changeFormat();
    engine->changeConfiguration();
    EXPECT_TRUE(log.calls.empty()) << "no restart while paused";

    present.erase(7);
    for (int attempt = 0; attempt < 2; ++attempt) { // it stays paused
        try {
            source->resume();
            FAIL() << "resumed on a device that is gone";
        } catch (const AudioInputError& error) {
            EXPECT_EQ(error.kind(), AudioInputError::Kind::deviceUnavailable);
        }
    }
    present.insert(7);
    clock = 200;
    source->resume();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"stop", "installTap", "start"}));
    EXPECT_EQ(source->restartLimit().lastStart, 200);
    EXPECT_EQ(stops, 0);
}

} // namespace
} // namespace bw
