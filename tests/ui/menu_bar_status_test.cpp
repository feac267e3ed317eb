#include "library/copy.h"
#include "ui/menu_bar_status.h"
#include "ui/widget_test_app.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

using Phase = RecorderModel::Phase;
using JobPhase = TranscriptionJob::Phase;

TranscriptionJob job(JobPhase phase, double fraction = 0,
                     std::optional<std::chrono::system_clock::time_point> finish = {}) {
    return TranscriptionJob{
        Uuid::random(), TranscriptionLanguage::english, 60, phase, fraction, finish, {}};
}

struct LinesCase {
    const char* name;
    Phase phase;
    double duration;
    std::optional<TranscriptionJob> job;
    std::optional<std::string> title;
    std::vector<std::string> expected;
};

class MenuBarStatusLinesTest : public testing::TestWithParam<LinesCase> {};

TEST_P(MenuBarStatusLinesTest, SaysWhatTheApplicationIsDoing) {
    const auto& c = GetParam();
    EXPECT_EQ(ui::MenuBarStatus::lines(c.phase, c.duration, c.job, c.title), c.expected);
}

const auto saveTime = std::chrono::system_clock::now();

INSTANTIATE_TEST_SUITE_P(
    Cases, MenuBarStatusLinesTest,
    testing::Values(LinesCase{"Idle", Phase::idle, 0, {}, {}, {"Not recording or transcribing"}},
                    LinesCase{"Minutes", Phase::recording, 65.9, {}, {}, {"Recording 1:05"}},
                    LinesCase{"Hours", Phase::recording, 3725, {}, {}, {"Recording 1:02:05"}},
                    LinesCase{"Paused", Phase::paused, 10, {}, {}, {"Recording paused at 0:10"}},
                    LinesCase{
                        "Starting", Phase::starting, 0, {}, {}, {"Starting the recording\u2026"}},
                    LinesCase{"NegativeDuration", Phase::recording, -4, {}, {}, {"Recording 0:00"}},
                    LinesCase{"RecordingWhileTranscribing",
                              Phase::recording,
                              5,
                              job(JobPhase::loadingModel),
                              "Talk",
                              {"Recording 0:05",
                               "Transcribing \u201cTalk\u201d: loading the speech model\u2026"}},
                    LinesCase{"TranscribingRoundsDown",
                              Phase::idle,
                              0,
                              job(JobPhase::transcribing, 0.429),
                              "Talk",
                              {"Transcribing \u201cTalk\u201d: 42%"}},
                    LinesCase{"TranscribingWithFinish",
                              Phase::idle,
                              0,
                              job(JobPhase::transcribing, 0.5, saveTime),
                              "Talk",
                              {"Transcribing \u201cTalk\u201d: 50%, ready at about " +
                               Copy::shortTime(saveTime)}},
                    LinesCase{"SavingOfDeletedItem",
                              Phase::idle,
                              0,
                              job(JobPhase::saving),
                              {},
                              {"Saving the transcript of \u201cUntitled\u201d\u2026"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MenuBarStatusTest, AppNamePrefersTheDisplayName) {
    using nlohmann::json;
    const std::vector<std::pair<json, std::string>> cases = {
        {json{{"CFBundleDisplayName", "Brindlewick Dev"}, {"CFBundleName", "B"}},
         "Brindlewick Dev"},
        {json{{"CFBundleDisplayName", 3}, {"CFBundleName", "Bundle"}}, "Bundle"},
        {json::object(), "Brindlewick"},
        {json(), "Brindlewick"},
    };
    for (const auto& [info, expected] : cases) {
        EXPECT_EQ(ui::MenuBarStatus::appName(info), expected) << info.dump();
    }
}

TEST(MenuBarStatusTest, DestinationFollowsTheChosenGroupAndFallsBackToNone) {
    test::WidgetTestApp fixture;
    auto& library = fixture.app->library();
    auto& navigation = fixture.app->navigation();
    const auto team = library.changes().createGroup("Team", {});
    const auto alpha = library.changes().createGroup("Alpha", {});
    using Choice = ui::MenuBarStatus::DestinationMenu::Choice;

    navigation.chooseDestination(team.id);
    EXPECT_EQ(ui::MenuBarStatus::destinationMenu(library, navigation),
              (ui::MenuBarStatus::DestinationMenu{
                  "Group: Team",
                  Choice{std::nullopt, "No Group", false},
                  {Choice{alpha.id, "Alpha", false}, Choice{team.id, "Team", true}}}));

    library.changes().deleteGroup(team.id);
    const auto menu = ui::MenuBarStatus::destinationMenu(library, navigation);
    EXPECT_EQ(menu.title, "Group: None");
    EXPECT_TRUE(menu.noGroup.isChecked);
    EXPECT_EQ(menu.groups, (std::vector<Choice>{Choice{alpha.id, "Alpha", false}}));
}

} // namespace
} // namespace bw
