#include "ui/group_sidebar.h"

#include "ui/main_window.h"
#include "ui/recording_drag.h"
#include "ui/recording_list.h"
#include "ui/recording_rows.h"
#include "ui/sidebar_list.h"
#include "ui/widget_test_app.h"
#include "ui/window_test_support.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace bw {
namespace {

class GroupSidebarTest : public testing::Test {
protected:
    GroupSidebarTest() { window.show(); }

    LibraryModel& library() { return fixture.app->library(); }
    LibraryNavigation& navigation() { return fixture.app->navigation(); }
    ui::SidebarList& list() { return *window.sidebar()->list(); }
    QListWidgetItem* row(const LibraryFilter& filter) { return list().rowFor(filter); }
    // Drops `data` on the sidebar row of `filter`.
    bool dropOn(const LibraryFilter& filter, QMimeData* data) {
        const QPoint centre = list().visualItemRect(row(filter)).center();
        return test::drop(*list().viewport(), centre, std::unique_ptr<QMimeData>(data));
    }

    test::WidgetTestApp fixture;
    ui::MainWindow window{*fixture.app};
};

TEST_F(GroupSidebarTest, ListsTheFixedRowsAndTheGroupsWithTheirCounts) {
    const auto team = library().changes().createGroup("Team", {});
    library().changes().createGroup("Alpha", {});
    library().changes().move({fixture.importTone("a")}, team.id);
    fixture.importTone("b");

    std::vector<std::pair<QString, QString>> shown;
    for (int index = 0; index < list().count(); ++index) {
        shown.emplace_back(list().item(index)->text(),
                           list().item(index)->data(Qt::AccessibleDescriptionRole).toString());
    }
    const std::vector<std::pair<QString, QString>> expected{{"All Recordings", "2 recordings"},
                                                            {"No Group", "1 recording"},
                                                            {"Groups", ""},
                                                            {"Alpha", "Group, 0 recordings"},
                                                            {"Team", "Group, 1 recording"}};
    EXPECT_EQ(shown, expected);
}

// A long group name is cut short in its row; the rows keep the sidebar's width, so every count
// badge stays in view and nothing scrolls sideways.
TEST_F(GroupSidebarTest, ALongGroupNameKeepsTheRowsToTheSidebarsWidth) {
    library().changes().createGroup("Quarterly planning meetings with the regional sales team", {});
    QApplication::processEvents();
    const int width = list().viewport()->width();
    for (int index = 0; index < list().count(); ++index) {
        EXPECT_LE(list().visualItemRect(list().item(index)).right(), width) << index;
    }
    EXPECT_FALSE(list().horizontalScrollBar()->isVisible());
}

TEST_F(GroupSidebarTest, ChoosingARowSetsTheFilterAndTheHeadingLeavesItAlone) {
    const auto team = library().changes().createGroup("Team", {});
    list().setCurrentItem(row(LibraryFilter::group(team.id)));
    EXPECT_EQ(navigation().filter(), LibraryFilter::group(team.id));
    list().setCurrentRow(2); // the heading
    EXPECT_EQ(navigation().filter(), LibraryFilter::group(team.id));
    navigation().setFilter(LibraryFilter::notFiled());
    EXPECT_TRUE(
        test::waitFor([&] { return list().currentItem() == row(LibraryFilter::notFiled()); }));
}

struct DropCase {
    std::string name;
    bool startsInTeam;
    bool ontoTeam; // else onto "No Group"
};

class GroupSidebarDropTest : public GroupSidebarTest,
                             public testing::WithParamInterface<DropCase> {};

TEST_P(GroupSidebarDropTest, MovesDroppedRecordingsToTheRowsGroup) {
    const auto team = library().changes().createGroup("Team", {});
    const Uuid id = fixture.importTone("Talk");
    if (GetParam().startsInTeam) {
        library().changes().move({id}, team.id);
    }
    const auto target =
        GetParam().ontoTeam ? LibraryFilter::group(team.id) : LibraryFilter::notFiled();
    // What the recording list's row gives a drag.
    ui::RecordingRows& rows = *window.recordingList()->model();
    EXPECT_TRUE(dropOn(target, rows.mimeData({rows.indexOf(id)})));
    EXPECT_EQ(library().item(id)->groupID, target.groupID());
}

INSTANTIATE_TEST_SUITE_P(Targets, GroupSidebarDropTest,
                         testing::Values(DropCase{"into_group", false, true},
                                         DropCase{"onto_its_own_group", true, true},
                                         DropCase{"onto_no_group", true, false}),
                         [](const auto& info) { return info.param.name; });

TEST_F(GroupSidebarTest, RefusesDropsFromOutsideAndOnAllRecordings) {
    const auto team = library().changes().createGroup("Team", {});
    const Uuid id = fixture.importTone("Talk");
    // The same payload, but not made by this process's drag.
    auto* foreign = new QMimeData;
    foreign->setData(ui::recordingReferenceMimeType,
                     QByteArray::fromStdString("{\"id\":\"" + id.string() + "\"}\n"));
    EXPECT_FALSE(dropOn(LibraryFilter::group(team.id), foreign));
    library().changes().move({id}, team.id);
    EXPECT_FALSE(dropOn(LibraryFilter::all(), ui::recordingDragData({id})));
    EXPECT_EQ(library().item(id)->groupID, team.id);
}

TEST_F(GroupSidebarTest, DeletingTheSelectedGroupAsksFirstAndKeepsItsRecordings) {
    const auto team = library().changes().createGroup("Team", {});
    const Uuid id = fixture.importTone("Talk");
    library().changes().move({id}, team.id);
    navigation().setFilter(LibraryFilter::group(team.id));

    QTest::keyClick(&list(), Qt::Key_Delete);
    QMessageBox* box = window.sidebar()->deleteConfirmation();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), "Delete the group “Team”?");
    EXPECT_EQ(box->informativeText(),
              "Only the group is deleted. Its recordings stay on this computer, under No Group.");
    test::buttonNamed(*box, "Delete Group")->click();
    EXPECT_TRUE(library().groups().empty());
    EXPECT_EQ(navigation().filter(), LibraryFilter::all());
    EXPECT_FALSE(library().item(id)->groupID.has_value());
}

TEST_F(GroupSidebarTest, TheButtonAndTheContextMenuAskForAGroupName) {
    window.sidebar()->newGroupButton()->click();
    ASSERT_TRUE(navigation().groupEditor().has_value());
    EXPECT_TRUE(std::holds_alternative<GroupEditor::Create>(navigation().groupEditor()->purpose));
    navigation().setGroupEditor(std::nullopt);

    const auto team = library().changes().createGroup("Team", {});
    emit list().customContextMenuRequested(
        list().visualItemRect(row(LibraryFilter::group(team.id))).center());
    auto menus = test::openDialogs<QMenu>(*window.sidebar());
    ASSERT_EQ(menus.size(), 1u);
    test::actionNamed(*menus.front(), "Rename Group…")->trigger();
    ASSERT_TRUE(navigation().groupEditor().has_value());
    EXPECT_EQ(std::get<GroupEditor::Rename>(navigation().groupEditor()->purpose).group, team);
    menus.front()->close();
}

} // namespace
} // namespace bw
