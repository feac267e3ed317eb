// The "Language" choice of a transcription: a label and a list of the four languages in their
// declared order, by their names.
#pragma once

#include "transcription/transcription_language.h"

#include <QWidget>

class QComboBox;

namespace bw::ui {

class LanguagePicker : public QWidget {
    Q_OBJECT

public:
    explicit LanguagePicker(QWidget* parent = nullptr);

    TranscriptionLanguage language() const;
    // Shows the language without signalling a choice.
    void setLanguage(TranscriptionLanguage language);
    QComboBox& comboBox() const { return *m_box; }

signals:
    // The user chose a language.
    void languageChosen(TranscriptionLanguage language);

private:
    QComboBox* m_box;
};

} // namespace bw::ui
