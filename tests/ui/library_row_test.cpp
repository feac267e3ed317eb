#include "ui/library_row.h"

#include "library/library_test_support.h"
#include "ui/display_text.h"

#include <gtest/gtest.h>

namespace bw {
namespace {

struct RowCase {
    std::string name;
    LibraryItem::Origin origin;
    LibraryItem::State state;
    bool isRecording;
    bool isTranscribing;
    QStringList shown; // after the title, with "DATE" for the date
};

class LibraryRowTest : public testing::TestWithParam<RowCase> {};

TEST_P(LibraryRowTest, SaysWhatTheRowShowsInOrder) {
    const RowCase& param = GetParam();
    LibraryItem item = test::sampleItem("Talk", 1'700'000'000);
    item.duration = 75.9;
    item.origin = param.origin;
    item.state = param.state;
    const ui::LibraryRow row{item, param.isRecording, 3725, param.isTranscribing};

    QStringList expected{"Talk"};
    for (const QString& text : param.shown) {
        expected << (text == "DATE" ? ui::rowDateText(item.createdAt) : text);
    }
    EXPECT_EQ(row.spokenText(), expected.join(", "));
}

using Origin = LibraryItem::Origin;
using State = LibraryItem::State;

INSTANTIATE_TEST_SUITE_P(
    Rows, LibraryRowTest,
    testing::Values(
        RowCase{"recorded", Origin::recorded, State::complete, false, false, {"DATE", "1:15"}},
        RowCase{"recording_shows_the_running_time",
                Origin::recorded,
                State::recording,
                true,
                false,
                {"Recording", "DATE", "1:02:05"}},
        RowCase{"dictated",
                Origin::dictated,
                State::complete,
                false,
                false,
                {"DATE", "1:15", "Dictation"}},
        RowCase{"interrupted_and_transcribing",
                Origin::imported,
                State::interrupted,
                false,
                true,
                {"DATE", "1:15", "Interrupted", "Transcribing"}}),
    [](const auto& info) { return info.param.name; });

TEST(DisplayTextTest, CountsRecordingsInTheSingularOnlyForOne) {
    EXPECT_EQ(ui::countText(0), "0 recordings");
    EXPECT_EQ(ui::countText(1), "1 recording");
    EXPECT_EQ(ui::countText(2), "2 recordings");
}

} // namespace
} // namespace bw
