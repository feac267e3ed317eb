#include "ui/app_icons.h"
#include "ui/group_name_sheet.h"
#include "ui/tray_menu.h"
#include "ui/tray_snapshot.h"
#include "ui/widget_test_app.h"

#include <QActionGroup>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace bw {
namespace {

// Text and enabled state of each item; separators are "-".
std::vector<std::pair<std::string, bool>> items(QMenu& menu) {
    std::vector<std::pair<std::string, bool>> result;
    for (auto* action : menu.actions()) {
        result.emplace_back(action->isSeparator() ? "-" : action->text().toStdString(),
                            action->isEnabled());
    }
    return result;
}

QMenu* submenu(QMenu& menu, const QString& prefix) {
    for (auto* action : menu.actions()) {
        if (action->menu() && action->text().startsWith(prefix)) {
            return action->menu();
        }
    }
    return nullptr;
}

QAction* action(QMenu& menu, const QString& text) {
    for (auto* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

using Items = std::vector<std::pair<std::string, bool>>;
const std::pair<std::string, bool> separator{"-", true};

struct PhaseCase {
    const char* name;
    RecorderModel::Phase phase;
    std::string status;      // the start of the status line
    const char* pauseResume; // nullptr when idle
};

// The menu for a phase: recording controls are available only while idle, pause or resume and
// stop only while recording.
Items expectedItems(const PhaseCase& c) {
    const bool idle = !c.pauseResume;
    Items items{{c.status, false},
                separator,
                {"Ask everyone present or on the call for consent before you record.", false},
                {"Start Recording", idle},
                {"Group: None", true},
                {"Microphone", idle}};
    if (!idle) {
        items.insert(items.end(), {separator, {c.pauseResume, true}, {"Stop Recording", true}});
    }
    items.insert(items.end(), {separator,
                               {"Open Brindlewick", true},
                               {"Check for Updates\u2026", true},
                               separator,
                               {"Quit Brindlewick", true}});
    return items;
}

class TrayMenuPhaseTest : public testing::TestWithParam<PhaseCase> {};

TEST_P(TrayMenuPhaseTest, OffersWhatTheRecorderAllows) {
    const auto& c = GetParam();
    test::WidgetTestApp fixture;
    int quits = 0;
    ui::TrayMenu tray(
        fixture.trayModels(), "Brindlewick", [&] { ++quits; }, false);
    if (c.phase != RecorderModel::Phase::idle) {
        fixture.startRecording(2.0);
        if (c.phase == RecorderModel::Phase::paused) {
            fixture.app->recorder().pause();
        }
    }
    ASSERT_EQ(fixture.app->recorder().phase(), c.phase);
    tray.rebuild();
    auto shown = items(tray.menu());
    ASSERT_FALSE(shown.empty());
    // The running time depends on when the last buffer arrived; its start is enough here.
    auto& status = shown.front().first;
    EXPECT_TRUE(status.starts_with(c.status)) << status;
    status = c.status;
    EXPECT_EQ(shown, expectedItems(c));
    EXPECT_EQ(tray.iconName(), c.phase == RecorderModel::Phase::idle     ? "MenuBarIcon"
                               : c.phase == RecorderModel::Phase::paused ? "MenuBarIconPaused"
                                                                         : "MenuBarIconRecording");

    action(tray.menu(), "Open Brindlewick")->trigger();
    action(tray.menu(), "Quit Brindlewick")->trigger();
    EXPECT_EQ(fixture.presented, 1);
    EXPECT_EQ(quits, 1);
}

INSTANTIATE_TEST_SUITE_P(Phases, TrayMenuPhaseTest,
                         testing::Values(PhaseCase{"Idle", RecorderModel::Phase::idle,
                                                   "Not recording or transcribing", nullptr},
                                         PhaseCase{"Recording", RecorderModel::Phase::recording,
                                                   "Recording 0:0", "Pause Recording"},
                                         PhaseCase{"Paused", RecorderModel::Phase::paused,
                                                   "Recording paused at 0:0", "Resume Recording"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TrayMenuTest, DevelopmentBuildSaysSoFirstAndNamesItselfThroughout) {
    test::WidgetTestApp fixture;
    ui::TrayMenu tray(
        fixture.trayModels(), "Brindlewick Dev", [] {}, false);
    const auto shown = items(tray.menu());
    EXPECT_EQ(shown.front().first, "Brindlewick Dev: a development build, not the installed app");
    EXPECT_EQ(shown.back().first, "Quit Brindlewick Dev");
    EXPECT_NE(action(tray.menu(), "Open Brindlewick Dev"), nullptr);
}

TEST(TrayMenuTest, GroupSubmenuChecksTheDestinationAndChoosesOne) {
    test::WidgetTestApp fixture;
    auto& library = fixture.app->library();
    auto& navigation = fixture.app->navigation();
    const auto team = library.changes().createGroup("Team", {});
    library.changes().createGroup("Alpha", {});
    ui::TrayMenu tray(
        fixture.trayModels(), "Brindlewick", [] {}, false);

    auto* groups = submenu(tray.menu(), "Group: ");
    ASSERT_NE(groups, nullptr);
    EXPECT_EQ(items(*groups), (Items{{"No Group", true},
                                     separator,
                                     {"Alpha", true},
                                     {"Team", true},
                                     separator,
                                     {"New Group\u2026", true}}));
    EXPECT_TRUE(action(*groups, "No Group")->isChecked());

    action(*groups, "Team")->trigger();
    EXPECT_EQ(navigation.recordingDestination(), team.id);
    ASSERT_TRUE(test::waitFor([&] { return submenu(tray.menu(), "Group: Team") != nullptr; }));
    groups = submenu(tray.menu(), "Group: Team");
    EXPECT_TRUE(action(*groups, "Team")->isChecked());
    EXPECT_FALSE(action(*groups, "No Group")->isChecked());

    // Rebuilding on every opening replaces the choices rather than piling them up.
    emit tray.menu().aboutToShow();
    emit tray.menu().aboutToShow();
    EXPECT_EQ(submenu(tray.menu(), "Group: "), groups);
    EXPECT_EQ(groups->findChildren<QActionGroup*>().size(), 1);
    EXPECT_EQ(groups->actions().size(), 6);
}

// The Microphone submenu offers "Also Record This Computer's Sound" once there is a source of
// it, as a checkable item that shows and changes the remembered choice.
TEST(TrayMenuTest, MicrophoneSubmenuTurnsThisComputersSoundOnAndOffAndRemembersIt) {
    test::WidgetTestApp fixture;
    auto& recorder = fixture.app->recorder();
    ui::TrayMenu tray(
        fixture.trayModels(), "Brindlewick", [] {}, false);
    QMenu* microphones = submenu(tray.menu(), "Microphone");
    ASSERT_NE(microphones, nullptr);
    EXPECT_EQ(action(*microphones, "Also Record This Computer's Sound"), nullptr);

    recorder.setMakeSystemSource(
        [](std::function<void()>) { return std::make_shared<FakeAudioInputSource>(); });
    for (const bool on : {true, false}) {
        tray.rebuild();
        microphones = submenu(tray.menu(), "Microphone");
        QAction* both = action(*microphones, "Also Record This Computer's Sound");
        ASSERT_NE(both, nullptr);
        EXPECT_TRUE(both->isCheckable());
        EXPECT_EQ(both->isChecked(), !on);
        both->trigger();
        EXPECT_EQ(recorder.recordsSystemAudio(), on);
        // What the next start of the program reads.
        RecorderModel next(
            fixture.app->library(), fixture.app->navigation(), fixture.app->alerts(),
            *fixture.access, fixture.app->defaults(),
            [] { return std::vector<AudioInputDevice>{}; },
            [](const std::optional<AudioInputDevice>&) {
                return std::make_shared<FakeAudioInputSource>();
            });
        EXPECT_EQ(next.recordsSystemAudio(), on);
    }
}

TEST(TrayMenuTest, NewGroupTwiceKeepsOnePanelThatCreatesTheDestination) {
    test::WidgetTestApp fixture;
    ui::TrayMenu tray(
        fixture.trayModels(), "Brindlewick", [] {}, false);
    auto& panels = tray.newGroupPanel();
    action(*submenu(tray.menu(), "Group: "), "New Group\u2026")->trigger();
    auto* first = panels.panel();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(first->windowTitle(), "New Group");
    panels.show();
    EXPECT_EQ(panels.panel(), first);

    first->findChild<QLineEdit*>("name")->setText("Interviews");
    first->findChild<QPushButton*>("confirm")->click();
    EXPECT_FALSE(first->isVisible());
    const auto destination = fixture.app->navigation().recordingDestination();
    ASSERT_TRUE(destination);
    EXPECT_EQ(fixture.app->library().group(*destination)->name, "Interviews");
    panels.show();
    EXPECT_NE(panels.panel(), nullptr);
    EXPECT_TRUE(panels.panel()->isVisible());
    EXPECT_TRUE(panels.panel()->findChild<QLineEdit*>("name")->text().isEmpty());
}

// Stopping from the menu is confirmed by a notification only when the window is not there to
// show it.
TEST(TrayMenuTest, AStopFromTheMenuNotifiesOnlyWhileTheWindowIsHidden) {
    for (const bool windowShown : {true, false}) {
        test::WidgetTestApp fixture;
        ui::TrayMenu tray(
            fixture.trayModels(), "Brindlewick", [] {}, false);
        tray.setWindowShown([&] { return windowShown; });
        QSignalSpy notified(&tray, &ui::TrayMenu::notified);
        const Uuid id = fixture.startRecording();
        fixture.app->library().changes().rename(id, "Standup");
        tray.rebuild();
        action(tray.menu(), "Stop Recording")->trigger();
        EXPECT_EQ(fixture.app->recorder().phase(), RecorderModel::Phase::idle);
        if (windowShown) {
            EXPECT_EQ(notified.count(), 0);
        } else {
            ASSERT_EQ(notified.count(), 1);
            EXPECT_EQ(notified[0][0].toString(), "Recording stopped");
            EXPECT_EQ(notified[0][1].toString(), "\u201cStandup\u201d is saved in the library.");
        }
    }
}

// A status line naming a long title fits the menu, keeping its start and end, with the whole
// line as its tooltip.
TEST(TrayMenuTest, ElidesLongStatusLines) {
    test::WidgetTestApp fixture;
    ui::TrayMenu tray(
        fixture.trayModels(), "Brindlewick", [] {}, false);
    const Uuid id = fixture.record();
    fixture.app->library().changes().rename(id, std::string(200, 'w') + " end");
    fixture.engine->holdUntilReleased = true;
    fixture.app->transcription().start(fixture.app->library().item(id).value(),
                                       TranscriptionLanguage::english);
    ASSERT_TRUE(test::waitFor([&] { return fixture.app->transcription().job().has_value(); }));
    tray.rebuild();
    QAction* line = tray.menu().actions().front();
    EXPECT_LE(tray.menu().fontMetrics().horizontalAdvance(line->text()),
              ui::TrayMenu::statusLineWidth);
    EXPECT_TRUE(line->text().startsWith("Transcribing")) << line->text().toStdString();
    EXPECT_TRUE(line->toolTip().contains(" end\u201d")) << line->toolTip().toStdString();
    fixture.engine->release();
}

TEST(TrayMenuTest, SnapshotRendersTheMenuAndTheIconsDraw) {
    test::WidgetTestApp fixture;
    ui::TrayMenu tray(
        fixture.trayModels(), "Brindlewick", [] {}, false);
    const QString file = QString::fromStdString((fixture.files.path() / "tray.png").string());
    ASSERT_TRUE(test::saveTrayMenuSnapshot(tray, file));
    const QImage image(file);
    EXPECT_GT(image.width(), 100);
    EXPECT_GT(image.height(), 100);
    using State = ui::AppIcons::TrayState;
    for (const auto state : {State::idle, State::recording, State::paused}) {
        EXPECT_FALSE(ui::AppIcons::menuBar(state).pixmap(22, 22).isNull())
            << ui::AppIcons::menuBarIconName(state).toStdString();
    }
    EXPECT_FALSE(ui::AppIcons::application().pixmap(64, 64).isNull());
}

} // namespace
} // namespace bw
