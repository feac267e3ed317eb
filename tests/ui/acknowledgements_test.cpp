#include "ui/acknowledgements.h"
#include "ui/acknowledgements_window.h"
#include "ui/widget_test_app.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace bw {
namespace {

namespace fs = std::filesystem;

TEST(AcknowledgementsTest, ListsTheShippedComponentsWithTheirLicences) {
    test::widgetApplication();
    test::TemporaryFolder bundleFolder;
    const fs::path resources = fs::path(BW_SOURCE_DIR) / "resources";
    const auto& folder = bundleFolder.path();
    fs::copy_file(resources / "Acknowledgements.json", folder / "Acknowledgements.json");
    fs::copy_file(resources / "Licence-whisper.cpp.txt", folder / "Licence-whisper.cpp.txt");
    std::ofstream(folder / "Licence-Silero-VAD.txt") << "bad \xff\xfe bytes";
    fs::create_directories(folder / "Models");
    std::ofstream(folder / "Models" / "ggml-base-q8_0.bin") << "model";
    std::ofstream(folder / "Models" / "ggml-silero-v6.2.0.bin") << "model";
    const ResourceBundle bundle(folder);

    const auto entries = ui::Acknowledgements::all(bundle);
    std::vector<std::string> ids;
    for (const auto& entry : entries) {
        ids.push_back(entry.id);
        EXPECT_FALSE(entry.role.empty()) << entry.id;
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"whisper.cpp", "whisper-base", "silero-vad"}));
    const auto licence = [&](const ui::Acknowledgement& entry) {
        return ui::Acknowledgements::licenceText(entry, bundle);
    };
    EXPECT_NE(licence(entries[0]).value_or("").find("MIT License"), std::string::npos);
    EXPECT_FALSE(licence(entries[1])); // the file is missing
    EXPECT_FALSE(licence(entries[2])); // not UTF-8

    ui::AcknowledgementsWindow window(entries, licence);
    int missing = 0;
    for (const auto* label : window.findChildren<QLabel*>("licence")) {
        missing += label->text().startsWith("The licence text is missing from this copy");
    }
    EXPECT_EQ(missing, 2);
}

TEST(AcknowledgementsTest, EscapeAndTheCloseKeysCloseTheWindow) {
    test::widgetApplication();
    ui::AcknowledgementsWindow window({}, [](const ui::Acknowledgement&) { return std::nullopt; });
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        SCOPED_TRACE(keys.toString().toStdString());
        window.present();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keySequence(&window, keys);
        EXPECT_FALSE(window.isVisible());
    }
}

} // namespace
} // namespace bw
