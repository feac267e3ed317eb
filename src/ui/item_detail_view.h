// The detail of one recording: its title, an information line (date, duration, origin), the
// notice for an interrupted recording, the player and the transcript section. Showing an item
// loads its audio into the player.
#pragma once

#include "library/library_item.h"

#include <QWidget>

class QLabel;

namespace bw {
class LibraryStore;
class PlaybackModel;
} // namespace bw

namespace bw::ui {

class ElidedLabel;
class PlayerView;
class TranscriptSection;

class ItemDetailView : public QWidget {
    Q_OBJECT

public:
    // Plays the items of `store` in `player`; shows their transcripts in `transcript`, which it
    // takes over.
    ItemDetailView(const LibraryStore& store, PlaybackModel& player, TranscriptSection* transcript,
                   QWidget* parent = nullptr);

    // Shows `item` (again, when it changed) and points the player at its audio.
    void showItem(const LibraryItem& item);

    ElidedLabel* titleLabel() const { return m_title; }
    QLabel* informationLabel() const { return m_information; }
    QWidget* interruptedNotice() const { return m_interrupted; }
    PlayerView* player() const { return m_player; }
    TranscriptSection* transcript() const { return m_transcript; }

private:
    const LibraryStore& m_store;
    PlaybackModel& m_playback;
    ElidedLabel* m_title;
    QLabel* m_information;
    QWidget* m_interrupted;
    PlayerView* m_player;
    TranscriptSection* m_transcript;
};

} // namespace bw::ui
