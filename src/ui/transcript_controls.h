// The row above a transcript or a running transcription: the language, "Cancel Transcription"
// while this recording is transcribed or "Transcribe Again…" otherwise, and the "Export" menu
// with one entry per format and, under "Doubtful text:", the choice of "Keep", "Mark" or
// "Leave Out" for the segments the engine doubted.
#pragma once

#include "export/doubtful_text.h"
#include "export/export_format.h"

#include <QWidget>

class QAction;
class QPushButton;
class QToolButton;

namespace bw::ui {

class LanguagePicker;

class TranscriptControls : public QWidget {
    Q_OBJECT

public:
    explicit TranscriptControls(QWidget* parent = nullptr);

    // `isTranscribing`: this recording's transcription runs (Cancel shows, the language is
    // fixed); `canTranscribe`: Transcribe Again… may start; `canExport`: the menu shows.
    void update(bool isTranscribing, bool canTranscribe, bool canExport);

    LanguagePicker& languagePicker() const { return *m_language; }
    QPushButton& cancelButton() const { return *m_cancel; }
    QPushButton& transcribeAgainButton() const { return *m_again; }
    QToolButton& exportButton() const { return *m_export; }

    // The checked doubtful-text entry; setting it emits nothing.
    DoubtfulText doubtfulText() const;
    void setDoubtfulText(DoubtfulText choice);
    QAction& doubtfulTextAction(DoubtfulText choice) const;

signals:
    void cancelClicked();
    void transcribeAgainClicked();
    void exportChosen(ExportFormat format);
    void doubtfulTextChosen(DoubtfulText choice);

private:
    LanguagePicker* m_language;
    QPushButton* m_cancel;
    QPushButton* m_again;
    QToolButton* m_export;
    std::array<QAction*, allDoubtfulTexts.size()> m_doubtfulActions{};
};

} // namespace bw::ui
