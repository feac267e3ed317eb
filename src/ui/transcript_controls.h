// The row above a transcript or a running transcription: the language, "Cancel Transcription"
// while this recording is transcribed or "Transcribe Again…" otherwise, and the "Export" menu
// with one entry per format.
#pragma once

#include "export/export_format.h"

#include <QWidget>

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

signals:
    void cancelClicked();
    void transcribeAgainClicked();
    void exportChosen(ExportFormat format);

private:
    LanguagePicker* m_language;
    QPushButton* m_cancel;
    QPushButton* m_again;
    QToolButton* m_export;
};

} // namespace bw::ui
