#include "cli/progress_display.h"

#include <gtest/gtest.h>

#include <sstream>

namespace bw::cli {
namespace {

TEST(ProgressDisplay, RendersStatusBarPercentAndNote) {
    EXPECT_EQ(ProgressDisplay::render("Transcribing…", 0.429, "Ready at about 14:05", true),
              "Transcribing… [##########..............] 42%  Ready at about 14:05");
    EXPECT_EQ(ProgressDisplay::render("Transcribing…", 0.999, "", false), "Transcribing… 99%");
    EXPECT_EQ(ProgressDisplay::render("Transcribing…", 1.7, "", false), "Transcribing… 100%");
    EXPECT_EQ(ProgressDisplay::render("Loading…", std::nullopt, "", true), "Loading…");
}

TEST(ProgressDisplay, OnATerminalRedrawsOneLineAndPrintsItemsAboveIt) {
    std::ostringstream out;
    {
        ProgressDisplay display(out, true);
        display.update("Loading", std::nullopt);
        display.update("Loading", std::nullopt); // unchanged: not drawn again
        display.printAbove("[00:00:00.000 --> 00:00:01.000] Hello");
        display.update("Working", 0.5);
    }
    EXPECT_EQ(out.str(), "\r\033[KLoading"
                         "\r\033[K[00:00:00.000 --> 00:00:01.000] Hello\nLoading"
                         "\r\033[KWorking [############............] 50%"
                         "\r\033[K"); // cleared when the display goes
}

TEST(ProgressDisplay, ElsewhereWritesOnePlainLinePerChange) {
    std::ostringstream out;
    {
        ProgressDisplay display(out, false);
        display.update("Working", 0.101);
        display.update("Working", 0.109); // same whole percentage
        display.printAbove("not shown");
        display.update("Working", 0.2, "Ready at about 10:00");
    }
    EXPECT_EQ(out.str(), "Working 10%\nWorking 20%  Ready at about 10:00\n");
}

} // namespace
} // namespace bw::cli
