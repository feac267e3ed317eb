#include "ui/library_row.h"

#include "base/duration_format.h"
#include "ui/display_text.h"

namespace bw::ui {

QStringList LibraryRow::details() const {
    QStringList texts{
        rowDateText(item.createdAt),
        QString::fromStdString(Formatting::duration(isRecording ? liveDuration : item.duration))};
    if (item.origin == LibraryItem::Origin::dictated) {
        texts << "Dictation";
    }
    return texts;
}

QString LibraryRow::spokenText() const {
    QStringList parts{QString::fromStdString(item.title)};
    if (isRecording) {
        parts << "Recording";
    }
    parts << details();
    if (isInterrupted()) {
        parts << "Interrupted";
    }
    if (isTranscribing) {
        parts << "Transcribing";
    }
    return parts.join(", ");
}

} // namespace bw::ui
