#include "ui/group_name_sheet.h"
#include "ui/widget_test_app.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace bw {
namespace {

struct SheetCase {
    const char* name;
    bool rename;       // rename the group "Team"; otherwise create a group
    const char* typed; // the name entered
    bool canConfirm;
    const char* problem; // shown after confirming; nullptr when the sheet closes
    std::vector<std::string> groupsAfter;
};

class GroupNameSheetTest : public testing::TestWithParam<SheetCase> {};

TEST_P(GroupNameSheetTest, ConfirmsOrExplainsWhy) {
    const auto& c = GetParam();
    test::WidgetTestApp fixture;
    auto& library = fixture.app->library();
    const auto team = library.changes().createGroup("Team", {});
    const auto editor = c.rename ? GroupEditor::make(GroupEditor::Rename{team})
                                 : GroupEditor::make(GroupEditor::Create{});
    ui::GroupNameSheet sheet(editor, fixture.app->navigation());
    sheet.show();
    auto* name = sheet.findChild<QLineEdit*>("name");
    auto* confirm = sheet.findChild<QPushButton*>("confirm");
    auto* problem = sheet.findChild<QLabel*>("problem");
    EXPECT_EQ(sheet.windowTitle(), c.rename ? "Rename Group" : "New Group");
    EXPECT_EQ(confirm->text(), c.rename ? "Save" : "Create");
    EXPECT_EQ(name->placeholderText(), "Group name");
    EXPECT_EQ(name->text(), c.rename ? "Team" : "");

    name->clear();
    name->insert(c.typed);
    EXPECT_EQ(confirm->isEnabled(), c.canConfirm);
    confirm->click();
    if (!c.canConfirm) {
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_TRUE(problem->isHidden());
        QTest::keyClick(name, Qt::Key_Return); // the field answers what the button cannot
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_FALSE(problem->isHidden());
        EXPECT_EQ(problem->text(), "The group's name can't be empty.");
    } else if (c.problem) {
        EXPECT_TRUE(sheet.isVisible());
        EXPECT_FALSE(problem->isHidden());
        EXPECT_EQ(problem->text(), c.problem);
        name->insert("x"); // typing, as the user would
        EXPECT_TRUE(problem->isHidden());
    } else {
        EXPECT_FALSE(sheet.isVisible());
        EXPECT_EQ(sheet.result(), QDialog::Accepted);
    }
    std::vector<std::string> groups;
    for (const auto& group : library.groups()) {
        groups.push_back(group.name);
    }
    EXPECT_EQ(groups, c.groupsAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GroupNameSheetTest,
    testing::Values(
        SheetCase{"Create", false, "  Interviews ", true, nullptr, {"Interviews", "Team"}},
        SheetCase{"DuplicateInOtherCase",
                  false,
                  "team",
                  true,
                  "A group with this name already exists. Choose another name.",
                  {"Team"}},
        SheetCase{"OnlySpaces", false, "   ", false, nullptr, {"Team"}},
        SheetCase{"RenameToOwnNameInOtherCase", true, "TEAM", true, nullptr, {"TEAM"}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace bw
