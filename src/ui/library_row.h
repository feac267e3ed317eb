// What one row of the recording list shows about a recording: the item itself, whether it is
// the recording in progress (with its running duration) and whether it is being transcribed.
#pragma once

#include "library/library_item.h"

#include <QString>
#include <QStringList>

namespace bw::ui {

struct LibraryRow {
    LibraryItem item;
    bool isRecording = false;
    double liveDuration = 0; // seconds, while recording
    bool isTranscribing = false;

    // The plain texts of the second line, in order: the creation date and time, the duration
    // clock (the running one while recording) and "Dictation" for a dictated item.
    QStringList details() const;
    bool isInterrupted() const { return item.state == LibraryItem::State::interrupted; }
    // Everything the row shows, as one phrase for assistive technology.
    QString spokenText() const;
};

} // namespace bw::ui
