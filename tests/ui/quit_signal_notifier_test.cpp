// The window quits cleanly on Ctrl-C and SIGTERM: the real program on Qt's offscreen
// platform, over a library and settings of its own.
#include "cli/program_run.h"

#include <gtest/gtest.h>

#include <csignal>

namespace bw {
namespace {

class WindowSignal : public testing::TestWithParam<int> {};

TEST_P(WindowSignal, QuitsTheWindowCleanly) {
    test::TemporaryFolder folder;
    test::RunningProgram window({}, {{"QT_QPA_PLATFORM", "offscreen"},
                                     {"XDG_DATA_HOME", (folder / "data").string()},
                                     {"XDG_CONFIG_HOME", (folder / "config").string()},
                                     {"PULSE_SERVER", "unix:" + (folder / "none").string()},
                                     {"BRINDLEWICK_RESOURCES", BW_SOURCE_DIR "/resources"}});
    // Up once its library is open (start-up housekeeping takes the library's lock).
    const auto lock = folder / "data" / "Brindlewick" / "Library" / ".lock";
    for (int i = 0; i < 600 && !std::filesystem::exists(lock); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(std::filesystem::exists(lock)) << window.error();
    window.signal(GetParam());
    auto status = window.waitFor(std::chrono::seconds(30));
    if (!status) {
        window.signal(SIGKILL);
        window.wait();
        FAIL() << "the window did not quit";
    }
    EXPECT_EQ(*status, 0) << window.error();
}

INSTANTIATE_TEST_SUITE_P(Signals, WindowSignal, testing::Values(SIGINT, SIGTERM),
                         [](const auto& info) {
                             return std::string(info.param == SIGINT ? "Interrupt" : "Terminate");
                         });

} // namespace
} // namespace bw
