// The invitation shown for a recording without a transcript: what to do, the language and the
// "Transcribe" button.
#pragma once

#include <QWidget>

class QPushButton;

namespace bw::ui {

class LanguagePicker;

class TranscribePrompt : public QWidget {
    Q_OBJECT

public:
    explicit TranscribePrompt(QWidget* parent = nullptr);

    LanguagePicker& languagePicker() const { return *m_language; }
    QPushButton& transcribeButton() const { return *m_transcribe; }

private:
    LanguagePicker* m_language;
    QPushButton* m_transcribe;
};

} // namespace bw::ui
