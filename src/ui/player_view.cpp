#include "ui/player_view.h"

#include "base/duration_format.h"
#include "library/playback_model.h"
#include "ui/symbols.h"
#include "ui/text_styles.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace bw::ui {
namespace {

// The slider counts milliseconds.
constexpr double sliderScale = 1000;

QString clock(double seconds) {
    return QString::fromStdString(Formatting::duration(seconds));
}

// "1×", "1.25×", …
QString speedText(double rate) {
    return QString::number(rate) + "\u00D7";
}

QWidget* failureRow(QLabel* text) {
    auto* row = new QWidget;
    auto* icon = new QLabel;
    icon->setPixmap(symbol("speaker.slash").pixmap(16, 16));
    text->setForegroundRole(QPalette::PlaceholderText);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(icon);
    layout->addWidget(text, 1);
    return row;
}

} // namespace

PlayerView::PlayerView(PlaybackModel& player, QWidget* parent)
    : QWidget(parent), m_player(player), m_stack(new QStackedWidget), m_playButton(new QToolButton),
      m_slider(new SeekSlider), m_time(new QLabel), m_speed(new QComboBox),
      m_failure(new QLabel("This audio can't be played.")),
      m_space(new QShortcut(Qt::Key_Space, this)) {
    m_playButton->setAutoRaise(true);
    m_playButton->setFixedWidth(28);
    m_time->setFont(TextStyles::tabularDigits(TextStyles::callout(m_time->font())));
    m_time->setForegroundRole(QPalette::PlaceholderText);

    auto* controls = new QWidget;
    auto* row = new QHBoxLayout(controls);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(m_playButton);
    row->addWidget(m_slider, 1);
    row->addWidget(m_time);
    for (double rate : PlaybackModel::rates) {
        m_speed->addItem(speedText(rate), rate);
    }
    m_speed->setToolTip("Playback speed");
    m_speed->setAccessibleName("Playback speed");
    m_speed->setFocusPolicy(Qt::ClickFocus);
    row->addWidget(m_speed);
    m_stack->addWidget(controls);
    m_stack->addWidget(failureRow(m_failure));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    m_stack->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    connect(m_playButton, &QToolButton::clicked, &player, &PlaybackModel::togglePlayback);
    connect(m_space, &QShortcut::activated, &player, &PlaybackModel::togglePlayback);
    connect(m_slider, &QSlider::valueChanged, this,
            [this](int value) { m_player.seek(value / sliderScale); });
    for (auto changed : {&PlaybackModel::isPlayingChanged, &PlaybackModel::durationChanged,
                         &PlaybackModel::failedChanged, &PlaybackModel::urlChanged}) {
        connect(&player, changed, this, &PlayerView::refresh);
    }
    connect(m_speed, &QComboBox::activated, this,
            [this](int index) { m_player.setRate(m_speed->itemData(index).toDouble()); });
    connect(&player, &PlaybackModel::rateChanged, this, &PlayerView::refresh);
    // Ten times a second while playing: only the position moves.
    connect(&player, &PlaybackModel::currentTimeChanged, this, &PlayerView::showTime);
    refresh();
    // Focused widgets of any of the window's panes receive the override: watch them all.
    QCoreApplication::instance()->installEventFilter(this);
}

namespace {

bool hasOwnSpace(const QObject* widget) {
    if (qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QComboBox*>(widget) ||
        qobject_cast<const QLineEdit*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget)) {
        return true;
    }
    if (const auto* text = qobject_cast<const QTextEdit*>(widget)) {
        return !text->isReadOnly();
    }
    if (const auto* text = qobject_cast<const QPlainTextEdit*>(widget)) {
        return !text->isReadOnly();
    }
    return false;
}

} // namespace

// Accepting the override hands Space to the focused widget as an ordinary key press, before
// the window's shortcut would take it.
bool PlayerView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier &&
            hasOwnSpace(watched)) {
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerView::setSpaceTogglesPlayback(bool toggles) {
    m_space->setEnabled(toggles);
}

bool PlayerView::spaceTogglesPlayback() const {
    return m_space->isEnabled();
}

bool PlayerView::showsFailure() const {
    return m_stack->currentIndex() == 1;
}

void PlayerView::refresh() {
    m_stack->setCurrentIndex(m_player.failed() ? 1 : 0);
    const bool playing = m_player.isPlaying();
    m_playButton->setIcon(symbol(playing ? "pause.fill" : "play.fill"));
    m_playButton->setToolTip(playing ? "Pause" : "Play");
    m_playButton->setAccessibleName(playing ? "Pause" : "Play");
    m_speed->setCurrentIndex(m_speed->findData(m_player.rate()));
    {
        const QSignalBlocker blocker(m_slider);
        m_slider->setDuration(m_player.duration(), sliderScale);
    }
    showTime();
}

void PlayerView::showTime() {
    if (!m_slider->isSliderDown()) {
        const QSignalBlocker blocker(m_slider);
        m_slider->setValue(static_cast<int>(std::lround(m_player.currentTime() * sliderScale)));
    }
    m_time->setText(clock(m_player.currentTime()) + " / " + clock(m_player.duration()));
}

} // namespace bw::ui
