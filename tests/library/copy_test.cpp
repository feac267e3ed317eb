#include "library/copy.h"

#include "library/library_error.h"
#include "library/support_texts.h"

#include <gtest/gtest.h>

#include <unicode/locid.h>
#include <unicode/timezone.h>

#include <stdexcept>

namespace bw {
namespace {

using namespace std::chrono;

TEST(Copy, FailureMessagesEndWithTheSupportSentenceAndTheDetail) {
    const std::runtime_error error("disk full");
    const std::string tail = " " + supportSentence() + " (disk full)";
    const struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {Copy::groupsLoadFailed(error),
         "Every recording is still here. Quit and reopen Brindlewick." + tail},
        {Copy::libraryUnavailable(error),
         "Until this is fixed, new recordings go to a temporary folder that the system may "
         "empty. Quit Brindlewick and open it again." +
             tail},
        {Copy::finishRecordingFailed(error),
         "The audio is kept. Check that this computer has enough free disk space." + tail},
        {Copy::deleteFailed(error), "Quit and reopen Brindlewick, then try again." + tail},
        {Copy::groupNameProblem(error), "The group couldn't be saved. Try again." + tail},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.text, c.expected);
    }
}

class CopyTimes : public ::testing::Test {
protected:
    CopyTimes() {
        icu::Locale::setDefault(icu::Locale("de_DE"), m_status);
        icu::TimeZone::adoptDefault(icu::TimeZone::createTimeZone("Europe/Berlin"));
    }
    ~CopyTimes() override { icu::TimeZone::adoptDefault(icu::TimeZone::detectHostTimeZone()); }

    const system_clock::time_point afternoon = sys_days(2025y / March / 7) + 13h + 5min + 40s;

private:
    UErrorCode m_status = U_ZERO_ERROR;
};

TEST_F(CopyTimes, TellTheTimeOfDayInTheUsersStyle) {
    EXPECT_EQ(Copy::estimatedFinish(afternoon), "Ready at about 14:05");
    EXPECT_EQ(Copy::menuBarTranscribing("Standup", 42, std::nullopt),
              "Transcribing “Standup”: 42%");
    EXPECT_EQ(Copy::menuBarTranscribing("Standup", 42, afternoon),
              "Transcribing “Standup”: 42%, ready at about 14:05");
}

} // namespace
} // namespace bw
