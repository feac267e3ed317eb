// The window's keys for finding and for transcribing, as actions of the main window, so that they
// work wherever the focus is in it (the transcript's text included), and which the Help menu
// lists: "Find…" (Ctrl+F), "Find Next" (Ctrl+G or F3), "Find Previous" (Shift+Ctrl+G or
// Shift+F3), "Play or Pause" (Ctrl+Space), "Back 5 Seconds" (Alt+Left) and "Forward 5 Seconds"
// (Alt+Right). None is a key of the text editor's own: Ctrl+Left and Ctrl+Right move by word
// there and Space types a space, so playback keeps off them.
#pragma once

#include <QList>
#include <QObject>

class QAction;

namespace bw {
class PlaybackModel;
}

namespace bw::ui {

class MainWindow;

class WindowKeys : public QObject {
    Q_OBJECT

public:
    static constexpr double skipSeconds = 5;

    // Adds the actions to `window`.
    WindowKeys(PlaybackModel& player, MainWindow& window);

    // In the order the Help menu lists them.
    const QList<QAction*>& actions() const { return m_actions; }
    QAction* find() const { return m_actions.at(0); }
    QAction* findNext() const { return m_actions.at(1); }
    QAction* findPrevious() const { return m_actions.at(2); }
    QAction* playOrPause() const { return m_actions.at(3); }
    QAction* back() const { return m_actions.at(4); }
    QAction* forward() const { return m_actions.at(5); }

private:
    QList<QAction*> m_actions;
};

} // namespace bw::ui
