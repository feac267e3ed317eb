#include "ui/level_meter_view.h"
#include "ui/microphone_menu.h"
#include "ui/record_button.h"
#include "ui/recording_toolbar_group.h"
#include "ui/widget_test_app.h"

#include <QAccessible>
#include <QMenu>

#include <gtest/gtest.h>

namespace bw {
namespace {

TEST(RecordingControlsTest, UnpluggedRememberedMicrophoneShowsTheSystemDefault) {
    test::WidgetTestApp fixture;
    fixture.devices = {{1, "usb-headset", "Headset"}, {2, "builtin", "Built-in Microphone"}};
    auto& recorder = fixture.app->recorder();
    recorder.setSelectedDeviceUID("usb-desk-mic");
    ui::RecordingToolbarGroup group(*fixture.app);
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

TEST(RecordingControlsTest, RecordButtonStartsAndStops) {
    test::WidgetTestApp fixture;
    ui::RecordButton button(*fixture.app);
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
