#include "ui/level_meter_view.h"
#include "ui/microphone_menu.h"
#include "ui/record_button.h"
#include "ui/recording_toolbar_group.h"
#include "ui/widget_test_app.h"

#include <QAccessible>
#include <QAction>
#include <QMenu>

#include <gtest/gtest.h>

namespace bw {
namespace {

TEST(RecordingControlsTest, UnpluggedRememberedMicrophoneShowsTheSystemDefault) {
    test::WidgetTestApp fixture;
    fixture.devices = {{1, "usb-headset", "Headset"}, {2, "builtin", "Built-in Microphone"}};
    auto& recorder = fixture.app->recorder();
    recorder.setSelectedDeviceUID("usb-desk-mic");
    ui::RecordingToolbarGroup group(fixture.app->recorder(), fixture.app->actions());
    auto& button = group.microphoneMenu();

    emit button.menu()->aboutToShow(); // as when it opens: the devices are listed again
    std::vector<std::pair<std::string, bool>> shown;
    for (auto* action : button.menu()->actions()) {
        shown.emplace_back(action->text().toStdString(), action->isChecked());
    }
    EXPECT_EQ(shown,
              (std::vector<std::pair<std::string, bool>>{
                  {"System default", true}, {"Headset", false}, {"Built-in Microphone", false}}));
    EXPECT_EQ(button.toolTip(), "Microphone: System default");

    button.menu()->actions().at(1)->trigger();
    EXPECT_EQ(recorder.selectedDeviceUID(), "usb-headset");
    EXPECT_EQ(button.toolTip(), "Microphone: Headset");
    EXPECT_TRUE(button.isEnabled());

    fixture.startRecording();
    EXPECT_FALSE(button.isEnabled());
}

// "Also Record This Computer's Sound" is offered once there is a source of it, stays checked
// when chosen, and gives the next recordings a second track, kept only when it heard something.
TEST(RecordingControlsTest, TheMicrophoneMenuAddsThisComputersSoundAsASecondTrack) {
    test::WidgetTestApp fixture;
    auto& recorder = fixture.app->recorder();
    ui::RecordingToolbarGroup group(fixture.app->recorder(), fixture.app->actions());
    QMenu& menu = *group.microphoneMenu().menu();
    emit menu.aboutToShow();
    EXPECT_EQ(menu.actions().back()->text(), "System default") << "nothing to offer yet";

    std::shared_ptr<FakeAudioInputSource> system;
    recorder.setMakeSystemSource([&](std::function<void()>) {
        system = std::make_shared<FakeAudioInputSource>();
        return system;
    });
    emit menu.aboutToShow();
    QAction* both = menu.actions().back();
    ASSERT_EQ(both->text(), "Also Record This Computer's Sound");
    EXPECT_TRUE(both->isCheckable());
    EXPECT_FALSE(both->isChecked());
    both->trigger();
    EXPECT_TRUE(recorder.recordsSystemAudio());
    emit menu.aboutToShow();
    EXPECT_TRUE(menu.actions().back()->isChecked());

    for (const bool heard : {false, true}) {
        const Uuid id = fixture.startRecording();
        ASSERT_TRUE(system && system->running);
        if (heard) {
            const std::vector<std::int16_t> samples(1600, 100);
            system->deliver(
                CaptureBuffer{{CaptureFormat::SampleType::signedInt16LittleEndian, 16000, 1},
                              samples.data(),
                              samples.size(),
                              std::nullopt});
        }
        recorder.stop();
        const auto item = fixture.app->library().item(id);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->systemAudioFileName,
                  heard ? std::optional<std::string>("system.caf") : std::nullopt);
        EXPECT_EQ(std::filesystem::exists(fixture.app->library().store().itemFolderURL(id) /
                                          "system.caf"),
                  heard);
    }
}

TEST(RecordingControlsTest, RecordButtonStartsAndStops) {
    test::WidgetTestApp fixture;
    ui::RecordButton button(fixture.app->recorder(), fixture.app->actions());
    EXPECT_EQ(button.text(), "Record");
    EXPECT_EQ(button.toolTip(),
              "Ask everyone present or on the call for consent before you record.");
    EXPECT_TRUE(button.isEnabled());

    button.click();
    EXPECT_EQ(fixture.app->recorder().phase(), RecorderModel::Phase::recording);
    EXPECT_EQ(button.text(), "Stop");
    EXPECT_EQ(button.toolTip(), "Stop");
    fixture.app->recorder().pause();
    EXPECT_EQ(button.text(), "Stop");

    button.click();
    EXPECT_EQ(fixture.app->recorder().phase(), RecorderModel::Phase::idle);
    EXPECT_EQ(button.text(), "Record");
}

TEST(RecordingControlsTest, LevelMeterColourAndAnnouncement) {
    test::widgetApplication();
    const QColor green(52, 199, 89);
    const QColor orange(255, 149, 0);
    const std::vector<std::tuple<float, QColor, QString>> cases = {
        {0.0f, green, "0 percent"},    {0.456f, green, "45 percent"}, {0.9f, green, "90 percent"},
        {0.91f, orange, "91 percent"}, {1.7f, orange, "100 percent"}, {-0.2f, green, "0 percent"},
    };
    for (const auto& [level, colour, spoken] : cases) {
        ui::LevelMeterView meter;
        meter.setLevel(level);
        EXPECT_EQ(meter.fillColor(), colour) << level;
        auto* accessible = QAccessible::queryAccessibleInterface(&meter);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->text(QAccessible::Name), "Input level");
        EXPECT_EQ(accessible->text(QAccessible::Value), spoken) << level;
    }
}

} // namespace
} // namespace bw
