#include "ui/window_keys.h"

#include "library/playback_model.h"
#include "ui/detail_view.h"
#include "ui/item_detail_view.h"
#include "ui/main_window.h"
#include "ui/recording_list.h"
#include "ui/transcript_section.h"

#include <QAction>

#include <functional>

namespace bw::ui {

WindowKeys::WindowKeys(PlaybackModel& player, MainWindow& window) : QObject(&window) {
    auto add = [&](const QString& title, QList<QKeySequence> keys, std::function<void()> act) {
        auto* action = new QAction(title, &window);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, std::move(act));
        window.addAction(action);
        m_actions.push_back(action);
    };
    auto showMatch = [&window](int step) {
        window.detail()->itemDetail()->transcript()->showMatch(step);
    };
    add("Find\u2026", {QKeySequence("Ctrl+F")},
        [&window] { window.recordingList()->focusSearch(); });
    add("Find Next", {QKeySequence("Ctrl+G"), QKeySequence(Qt::Key_F3)},
        [showMatch] { showMatch(1); });
    add("Find Previous", {QKeySequence("Shift+Ctrl+G"), QKeySequence("Shift+F3")},
        [showMatch] { showMatch(-1); });
    add("Play or Pause", {QKeySequence("Ctrl+Space")}, [&player] { player.togglePlayback(); });
    add("Back 5 Seconds", {QKeySequence("Alt+Left")}, [&player] { player.skip(-skipSeconds); });
    add("Forward 5 Seconds", {QKeySequence("Alt+Right")}, [&player] { player.skip(skipSeconds); });
}

} // namespace bw::ui
