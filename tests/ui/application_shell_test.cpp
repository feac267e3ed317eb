#include "ui/acknowledgements_window.h"
#include "ui/app_commands.h"
#include "ui/application_shell.h"
#include "ui/diagnostics_sheet.h"
#include "ui/main_window.h"
#include "ui/tray_menu.h"
#include "ui/widget_test_app.h"

#include "app/diagnostics_document.h"

#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

#include <map>

namespace bw {
namespace {

QAction* menuAction(QMainWindow& window, const QString& menu, const QString& text) {
    for (auto* top : window.menuBar()->actions()) {
        if (QString(top->text()).remove('&') == menu && top->menu()) {
            for (auto* action : top->menu()->actions()) {
                if (action->text() == text) {
                    return action;
                }
            }
        }
    }
    return nullptr;
}

TEST(ApplicationShellTest, ClosingTheWindowQuitsOnlyWithoutATray) {
    for (const bool tray : {true, false}) {
        test::WidgetTestApp fixture;
        int quits = 0;
        ui::ApplicationShell shell(*fixture.app, tray, [&] { ++quits; });
        EXPECT_EQ(shell.tray() != nullptr, tray);
        shell.window().show();
        shell.window().close();
        EXPECT_FALSE(shell.window().isVisible());
        EXPECT_EQ(quits, tray ? 0 : 1) << tray;
        fixture.app->requests().presentMainWindow(); // the tray's "Open Brindlewick"
        EXPECT_TRUE(shell.window().isVisible());
    }
}

// Every menu of the bar opens with Alt and its own letter.
TEST(ApplicationShellTest, MenusOpenWithAltAndTheirLetter) {
    test::WidgetTestApp fixture;
    ui::ApplicationShell shell(*fixture.app, false, [] {});
    std::map<QString, QKeySequence> mnemonics;
    for (auto* top : shell.window().menuBar()->actions()) {
        mnemonics[QString(top->text()).remove('&')] = QKeySequence::mnemonic(top->text());
    }
    const std::map<QString, QKeySequence> expected = {{"Brindlewick", QKeySequence("Alt+B")},
                                                      {"File", QKeySequence("Alt+F")},
                                                      {"Help", QKeySequence("Alt+H")}};
    EXPECT_EQ(mnemonics, expected);
}

TEST(ApplicationShellTest, MenuCommandsActOnTheModel) {
    test::WidgetTestApp fixture;
    ui::ApplicationShell shell(*fixture.app, false, [] {});
    auto& window = shell.window();
    const std::vector<std::tuple<QString, QString, QKeySequence>> shortcuts = {
        {"File", "New Recording\u2026", QKeySequence("Ctrl+N")},
        {"File", "Import Audio\u2026", QKeySequence("Ctrl+O")},
        {"File", "New Group\u2026", QKeySequence("Shift+Ctrl+N")},
        {"Brindlewick", "Check for Updates\u2026", QKeySequence()},
        {"Help", "Export Diagnostics\u2026", QKeySequence()},
        {"Help", "Acknowledgements\u2026", QKeySequence()},
        {"Help", "Brindlewick Privacy Policy", QKeySequence()},
    };
    for (const auto& [menu, text, shortcut] : shortcuts) {
        auto* action = menuAction(window, menu, text);
        ASSERT_NE(action, nullptr) << text.toStdString();
        EXPECT_EQ(action->shortcut(), shortcut) << text.toStdString();
    }

    menuAction(window, "File", "Import Audio\u2026")->trigger();
    EXPECT_TRUE(fixture.app->requests().isImporterPresented());
    menuAction(window, "File", "New Group\u2026")->trigger();
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(fixture.app->navigation().groupEditor());
    EXPECT_TRUE(std::holds_alternative<GroupEditor::Create>(
        fixture.app->navigation().groupEditor()->purpose));
    menuAction(window, "Help", "Export Diagnostics\u2026")->trigger();
    EXPECT_TRUE(fixture.app->requests().diagnostics());

    auto* newRecording = menuAction(window, "File", "New Recording\u2026");
    newRecording->trigger();
    EXPECT_EQ(fixture.app->recorder().phase(), RecorderModel::Phase::recording);
    EXPECT_FALSE(newRecording->isEnabled());
    fixture.app->recorder().stop();
    EXPECT_TRUE(newRecording->isEnabled());

    shell.commands().showAcknowledgements();
    auto* acknowledgements = shell.commands().acknowledgementsWindow();
    ASSERT_NE(acknowledgements, nullptr);
    acknowledgements->close();
    shell.commands().showAcknowledgements();
    EXPECT_EQ(shell.commands().acknowledgementsWindow(), acknowledgements);
    EXPECT_TRUE(acknowledgements->isVisible());
}

TEST(ApplicationShellTest, DiagnosticsSheetSavesAndStaysOpenWhenSavingFails) {
    for (const bool writable : {true, false}) {
        test::WidgetTestApp fixture;
        fixture.app->actions().showDiagnostics();
        const auto report = *fixture.app->requests().diagnostics();
        const auto folder = fixture.files.path() / (writable ? "" : "missing");
        QString proposed;
        ui::DiagnosticsSheet sheet(fixture.app->requests(), nullptr,
                                   [&](QWidget*, const QString& name) {
                                       proposed = name;
                                       return folder / name.toStdString();
                                   });
        sheet.show();
        sheet.findChild<QPushButton*>("save")->click();
        EXPECT_EQ(proposed.toStdString(), report.suggestedFileName());
        const auto file = folder / report.suggestedFileName();
        if (writable) {
            EXPECT_EQ(DiagnosticsDocument::read(file).text, report.text());
            EXPECT_FALSE(sheet.isVisible());
            EXPECT_FALSE(fixture.app->requests().diagnostics());
        } else {
            EXPECT_TRUE(sheet.isVisible());
            EXPECT_FALSE(sheet.findChild<QLabel*>("problem")->isHidden());
            EXPECT_TRUE(fixture.app->requests().diagnostics());
        }
    }
}

} // namespace
} // namespace bw
