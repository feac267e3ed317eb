// The player of the detail pane: a play / pause button, a position slider over the audio, the
// "current / duration" clocks and the playback speed (0.5× to 2×); or "This audio can't be
// played." when the file could not be opened. The space bar plays and pauses while
// spaceTogglesPlayback is set, except where it has a meaning of its own: on a focused button
// (which it presses), a list box or a text field.
#pragma once

#include "ui/seek_slider.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QShortcut;
class QStackedWidget;
class QToolButton;

namespace bw {
class PlaybackModel;
}

namespace bw::ui {

class PlayerView : public QWidget {
    Q_OBJECT

public:
    explicit PlayerView(PlaybackModel& player, QWidget* parent = nullptr);

    void setSpaceTogglesPlayback(bool toggles);
    bool spaceTogglesPlayback() const;

    QToolButton* playButton() const { return m_playButton; }
    SeekSlider* slider() const { return m_slider; }
    QLabel* timeLabel() const { return m_time; }
    QComboBox* speedPicker() const { return m_speed; }
    // Shown instead of the controls when the audio can't be played.
    QLabel* failureLabel() const { return m_failure; }
    bool showsFailure() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    void showTime();

    PlaybackModel& m_player;
    QStackedWidget* m_stack;
    QToolButton* m_playButton;
    SeekSlider* m_slider;
    QLabel* m_time;
    QComboBox* m_speed;
    QLabel* m_failure;
    QShortcut* m_space;
};

} // namespace bw::ui
